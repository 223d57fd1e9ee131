#include "Kit/Localized.hpp"

#include <QCoreApplication>

namespace amberloom::ui {

QString localized(const char* key, const QStringList& values) {
  const QString text = QCoreApplication::translate("AmberLoom", key);
  QString result;
  qsizetype next = 0;
  for (qsizetype at = 0; at < text.size();) {
    const bool count = text.mid(at, 4) == QLatin1String("%lld");
    const bool name = text.mid(at, 2) == QLatin1String("%@");
    if ((count || name) && next < values.size()) {
      result += values[next++];
      at += count ? 4 : 2;
    } else {
      result += text[at++];
    }
  }
  return result;
}

QString localized(const char* key, std::initializer_list<std::int64_t> counts) {
  QStringList values;
  for (std::int64_t count : counts) values << QString::number(count);
  return localized(key, values);
}

}  // namespace amberloom::ui
