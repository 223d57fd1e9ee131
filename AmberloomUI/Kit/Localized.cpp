#include "Kit/Localized.hpp"

#include <QCoreApplication>

namespace amberloom::ui {

namespace {

// The one plural rule of every count on screen: a count of exactly one takes the singular of
// the noun right after it ("1 setting", "1 other Mac") and of a verb right after that noun or the
// count ("1 is already the same", "1 setting was not written"), unless it is the total after
// "of" ("1 of 1 settings"). The keys are written for several.
struct Agreement {
  QLatin1StringView several;
  QLatin1StringView one;
};
constexpr Agreement nouns[] = {{QLatin1StringView("settings"), QLatin1StringView("setting")},
                               {QLatin1StringView("changes"), QLatin1StringView("change")},
                               {QLatin1StringView("values"), QLatin1StringView("value")},
                               {QLatin1StringView("Macs"), QLatin1StringView("Mac")},
                               {QLatin1StringView("backups"), QLatin1StringView("backup")}};
constexpr Agreement verbs[] = {{QLatin1StringView("are"), QLatin1StringView("is")},
                               {QLatin1StringView("were"), QLatin1StringView("was")},
                               {QLatin1StringView("have"), QLatin1StringView("has")},
                               {QLatin1StringView("differ"), QLatin1StringView("differs")}};
// Words that may stand between a count and its noun ("1 other Mac").
constexpr Agreement between[] = {{QLatin1StringView("other"), QLatin1StringView("other")}};

// The word of `text` at `at` (letters only) put in the singular when `table` has it; whether it did.
template <std::size_t N>
bool singular(QString& text, qsizetype& at, const Agreement (&table)[N]) {
  if (at >= text.size() || text[at] != QLatin1Char(' ')) return false;
  qsizetype end = at + 1;
  while (end < text.size() && text[end].isLetter()) ++end;
  const QStringView word = QStringView(text).mid(at + 1, end - at - 1);
  for (const Agreement& agreement : table)
    if (word == agreement.several) {
      text.replace(at + 1, word.size(), agreement.one);
      at += 1 + agreement.one.size();
      return true;
    }
  return false;
}

// After a count of one placed just before `at`: the words that agree with it.
void agreeWithOne(QString& text, qsizetype at) {
  qsizetype next = at;
  singular(text, next, between);
  singular(text, next, nouns);
  singular(text, next, verbs);
}

}  // namespace

QString filled(const QString& text, const QStringList& values) {
  QString result;
  qsizetype next = 0;
  for (qsizetype at = 0; at < text.size();) {
    const bool count = text.mid(at, 4) == QLatin1String("%lld");
    const bool name = text.mid(at, 2) == QLatin1String("%@");
    if ((count || name) && next < values.size()) {
      result += values[next++];
      at += count ? 4 : 2;
      // A count after "of" is the total of another ("1 of 1 settings"), which keeps the plural.
      const bool total = result.size() > values[next - 1].size() + 3 &&
                         result.chopped(values[next - 1].size()).endsWith(QLatin1String(" of "));
      if (count && !total && values[next - 1] == QLatin1String("1")) {
        // The rest of the key is added first, so the words after the count can agree with it.
        const qsizetype end = result.size();
        QString rest = text.mid(at);
        const qsizetype placeholders = rest.indexOf(QLatin1Char('%'));
        const qsizetype span = placeholders < 0 ? rest.size() : placeholders;
        result += rest.left(span);
        agreeWithOne(result, end);
        at += span;
      }
    } else {
      result += text[at++];
    }
  }
  return result;
}

QString localized(const char* key, const QStringList& values) {
  return filled(QCoreApplication::translate("AmberLoom", key), values);
}

QString localized(const char* key, std::initializer_list<std::int64_t> counts) {
  QStringList values;
  for (std::int64_t count : counts) values << QString::number(count);
  return localized(key, values);
}

}  // namespace amberloom::ui
