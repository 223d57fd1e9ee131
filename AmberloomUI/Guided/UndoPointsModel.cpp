#include "Guided/UndoPointsModel.hpp"

#include <algorithm>

#include "Account/SyncModel.hpp"
#include "Kit/GuidedText.hpp"

namespace amberloom::ui {

using guided::qstr;

UndoPointsModel::UndoPointsModel(SyncModel& sync, std::vector<InterruptedBatch> interrupted, QObject* parent)
    : QAbstractListModel(parent), sync_(sync), history_(sync.history()),
      unreadable_(sync.unreadablePoints()),
      batch_(new GuidedBatch(sync.undoPoints(), WayBackQuestion::Undo::none, this, sync.progress())),
      interrupted_(new InterruptedBatchOffer(
          std::move(interrupted), sync.undoPoints(),
          [this](const StoredSnapshot& point, InterruptedBatchOffer::Reported reported) {
            undo([this, point](bool agreed) { return sync_.undo(point, agreed); }, false, std::move(reported));
          },
          this)) {
  connect(&sync_, &SyncModel::historyChanged, this, &UndoPointsModel::follow);
}

void UndoPointsModel::follow() {
  const int before = count();
  followReadable();
  followUnreadable();
  if (count() != before) emit countChanged();
  // The outcome of an undo belongs to the list it was taken from.
  setOutcome({}, false);
}

void UndoPointsModel::followReadable() {
  const std::vector<SnapshotHistory::Listed>& next = sync_.history();
  const auto listed = [](const std::vector<SnapshotHistory::Listed>& points, const std::string& id) {
    return std::any_of(points.begin(), points.end(),
                       [&](const SnapshotHistory::Listed& point) { return point.id == id; });
  };
  // Row by row, so that the rows of the points that stay stay too: an undo stores a point of its
  // own, and a list built anew would take the page the user scrolled back to its top.
  for (int row = static_cast<int>(history_.size()) - 1; row >= 0; --row) {
    if (listed(next, history_[static_cast<std::size_t>(row)].id)) continue;
    beginRemoveRows({}, row, row);
    history_.erase(history_.begin() + row);
    endRemoveRows();
  }
  for (std::size_t i = 0; i < next.size(); ++i) {
    const int row = static_cast<int>(i);
    if (i < history_.size() && history_[i].id == next[i].id) {
      if (history_[i] == next[i]) continue;
      history_[i] = next[i];
      emit dataChanged(index(row), index(row));
    } else if (listed(history_, next[i].id)) {  // the order changed: the list is read anew
      beginResetModel();
      history_ = next;
      endResetModel();
      break;
    } else {
      beginInsertRows({}, row, row);
      history_.insert(history_.begin() + row, next[i]);
      endInsertRows();
    }
  }
}

void UndoPointsModel::followUnreadable() {
  auto next = sync_.unreadablePoints();
  if (next == unreadable_) return;
  const int first = static_cast<int>(history_.size());
  if (!unreadable_.empty()) {
    beginRemoveRows({}, first, first + static_cast<int>(unreadable_.size()) - 1);
    unreadable_.clear();
    endRemoveRows();
  }
  if (next.empty()) return;
  beginInsertRows({}, first, first + static_cast<int>(next.size()) - 1);
  unreadable_ = std::move(next);
  endInsertRows();
}

void UndoPointsModel::undo(int row) {
  if (row < 0 || row >= static_cast<int>(history_.size())) return;
  // A copy: the list may change while the undo runs.
  const SnapshotHistory::Listed point = history_[static_cast<std::size_t>(row)];
  undo([this, point](bool agreed) { return sync_.undo(point, agreed); }, false, {});
}

void UndoPointsModel::undo(const StoredSnapshot& point) {
  undo([this, point](bool agreed) { return sync_.undo(point, agreed); }, false, {});
}

void UndoPointsModel::undo(const Undo& run, bool agreed, InterruptedBatchOffer::Reported reported) {
  // The sync model runs the batch, with its own progress, which this list's flow shows.
  const auto batch = run(agreed);
  if (!batch) return;
  if (batch_->askIfHeldBack(*batch, [this, run, reported] { undo(run, true, reported); })) return;
  const UndoReport& report = batch->report;
  if (report.isComplete())
    setOutcome(localized("%lld of %lld settings put back", {static_cast<std::int64_t>(report.restoredCount()),
                                                             static_cast<std::int64_t>(report.total())}),
               false);
  else if (report.failure)
    setOutcome(qstr(*report.failure), true);
  else  // values that could not be read when the point was taken cannot go back either
    setOutcome(localized("%lld settings did not go back to their old value",
                         {static_cast<std::int64_t>(report.failed().size() + report.unknownValues().size())}),
               true);
  if (reported) reported(outcome_, outcomeIsWarning_);
  batch_->showOutcome();
}

void UndoPointsModel::setOutcome(QString text, bool isWarning) {
  if (text == outcome_ && isWarning == outcomeIsWarning_) return;
  outcome_ = std::move(text);
  outcomeIsWarning_ = isWarning;
  emit outcomeChanged();
}

int UndoPointsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant UndoPointsModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (row >= history_.size()) {
    const SnapshotHistory::Unreadable& file = unreadable_[row - history_.size()];
    switch (role) {
      case PointIdRole:
        return qstr(file.fileName);
      case ReasonRole:
        return localized("An undo point that cannot be read");
      case DetailRole:
        return file.storedAt ? localized("%@ · %@", {guided::abbreviatedDateTime(*file.storedAt), qstr(file.fileName)})
                             : qstr(file.fileName);
      case UndoLabelRole:
        return QString();
      case ReadableRole:
        return false;
      default:
        return {};
    }
  }
  const SnapshotHistory::Listed& point = history_[row];
  switch (role) {
    case PointIdRole:
      return qstr(point.id);
    case ReasonRole:
      return qstr(point.reason);
    case DetailRole:
      return localized("%@ · %lld settings saved", {guided::abbreviatedDateTime(point.createdAt),
                                                    QString::number(point.settingCount)});
    case UndoLabelRole:
      return guided::localized("Undo: ") + qstr(point.reason);
    case ReadableRole:
      return true;
    default:
      return {};
  }
}

QHash<int, QByteArray> UndoPointsModel::roleNames() const {
  return {{PointIdRole, "pointId"},
          {ReasonRole, "reason"},
          {DetailRole, "detail"},
          {UndoLabelRole, "undoLabel"},
          {ReadableRole, "readable"}};
}

}  // namespace amberloom::ui
