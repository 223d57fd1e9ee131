#pragma once
// What the models announced on a change notice, in order, as a listener that announces nothing.

#include <QObject>
#include <memory>
#include <vector>

#include "Kit/ChangeNotice.hpp"

namespace amberloom::testing {

class HeardChanges : public QObject {
 public:
  ui::ChangeNoticeRef notice = std::make_shared<ui::ChangeNotice>();
  std::vector<ui::Change> changes;

  HeardChanges() {
    notice->listen(this, [this](const ui::Change& change) { changes.push_back(change); });
  }
  std::size_t size() const { return changes.size(); }
};

}  // namespace amberloom::testing
