#pragma once
// The content of the row that says what the last backup or restore did.

#include <QString>
#include <QStringList>

namespace amberloom::ui {

struct OutcomeRowText {
  QString text;
  QString symbol;
  bool isWarning = false;
  QStringList details;  // keys that did not come back: at most five, then a "more" line
  bool operator==(const OutcomeRowText&) const = default;
};

}  // namespace amberloom::ui
