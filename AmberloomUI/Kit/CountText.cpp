#include "Kit/CountText.hpp"

#include "Kit/Localized.hpp"

namespace amberloom::ui {

QString CountText::of(const QString& text, double count) {
  // Counts reach QML as numbers; a whole count is written without a fraction.
  const QString digits = QString::number(count, 'f', 0);
  return filled(text, QStringList(text.count(QLatin1String("%lld")), digits));
}

}  // namespace amberloom::ui
