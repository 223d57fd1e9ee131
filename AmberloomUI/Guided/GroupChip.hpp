#pragma once
// One customised-group chip of the back-up-what-you-have step.

#include <QString>

namespace amberloom::ui {

struct GroupChip {
  QString group;  // the group ID as the scan holds it
  int count = 0;
  QString countText;
  QString accessibleName;
  bool operator==(const GroupChip&) const = default;
};

}  // namespace amberloom::ui
