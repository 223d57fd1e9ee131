#include "Guided/UndoPointsModel.hpp"

#include "Guided/GuidedText.hpp"
#include "Guided/UndoPoint.hpp"

namespace amberloom::ui {

using guided::qstr;

UndoPointsModel::UndoPointsModel(SnapshotHistory history, bool isDryRun, Undo undo, std::function<void()> onApplied,
                                 QObject* parent)
    : QAbstractListModel(parent),
      snapshots_(std::move(history)),
      isDryRun_(isDryRun),
      undo_(std::move(undo)),
      onApplied_(std::move(onApplied)),
      history_(snapshots_.all()) {}

void UndoPointsModel::refreshHistory() {
  auto points = snapshots_.all();
  if (points == history_) return;
  const int before = count();
  beginResetModel();
  history_ = std::move(points);
  endResetModel();
  if (count() != before) emit countChanged();
}

void UndoPointsModel::undo(int row) {
  if (isDryRun_ || row < 0 || row >= count()) return;
  const StoredSnapshot point = history_[static_cast<std::size_t>(row)];
  const UndoReport report = undo_(point);
  std::optional<std::string> error;
  if (!report.isComplete()) error = guided::incompleteUndo(report);
  if (guided::replace(lastError_, std::move(error))) emit lastErrorChanged();
  if (onApplied_) onApplied_();
}

int UndoPointsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant UndoPointsModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const StoredSnapshot& point = history_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case PointIdRole:
      return qstr(point.id);
    case ReasonRole:
      return qstr(point.reason);
    case DetailRole:
      return localized("%@ · %lld settings saved", {guided::abbreviatedDateTime(point.createdAt),
                                                    QString::number(point.snapshot.entries.size())});
    case UndoLabelRole:
      return guided::localized("Undo: ") + qstr(point.reason);
    default:
      return {};
  }
}

QHash<int, QByteArray> UndoPointsModel::roleNames() const {
  return {{PointIdRole, "pointId"}, {ReasonRole, "reason"}, {DetailRole, "detail"}, {UndoLabelRole, "undoLabel"}};
}

QString UndoPointsModel::lastErrorText() const { return qstr(lastError_.value_or("")); }

}  // namespace amberloom::ui
