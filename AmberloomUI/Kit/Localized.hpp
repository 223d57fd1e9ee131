#pragma once
// Fixed texts of the screens: looked up in the application's string table, whose English text is
// the key itself, with "%lld" (a count) and "%@" (a name) filled in turn. Keys are written for
// several; after a count of one, the noun that follows it and the verb after that take the
// singular ("1 setting was", "1 is"): one plural rule for every count.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>

namespace amberloom::ui {

// Each "%lld" and "%@" filled left to right from `values`, so a value holding "%@" is never
// filled again. Placeholders beyond the values stay as they are.
QString localized(const char* key, const QStringList& values = {});
// The same with counts, written in plain decimal digits.
QString localized(const char* key, std::initializer_list<std::int64_t> counts);
// `text` (a key already looked up) filled as localized fills it.
QString filled(const QString& text, const QStringList& values);

}  // namespace amberloom::ui
