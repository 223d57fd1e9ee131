#pragma once
// The base of the My Macs page's lists (MacListModel, DifferenceListModel).

#include <QAbstractListModel>
#include <algorithm>
#include <utility>

namespace amberloom::ui {

// Replaces a list's rows: in place when they are the same rows (same keys in the same order),
// else with a reset.
class ReplacingListModel : public QAbstractListModel {
 protected:
  using QAbstractListModel::QAbstractListModel;

  template <class Rows, class Key>
  void replaceRows(Rows& current, Rows next, Key key, bool changedBesides) {
    const bool sameRows = current.size() == next.size() &&
                          std::equal(current.begin(), current.end(), next.begin(),
                                     [&](const auto& a, const auto& b) { return key(a) == key(b); });
    if (!sameRows) {
      beginResetModel();
      current = std::move(next);
      endResetModel();
      return;
    }
    const bool changed = changedBesides || current != next;
    current = std::move(next);
    if (changed && !current.empty()) emit dataChanged(index(0), index(static_cast<int>(current.size()) - 1));
  }
};

}  // namespace amberloom::ui
