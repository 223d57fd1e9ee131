#include "Guided/RemovalModel.hpp"

#include <QStringList>

#include "Kit/GuidedText.hpp"
#include "Sync/LoginItemService.hpp"

namespace amberloom::ui {

using guided::qstr;
using guided::replace;

RemovalModel::RemovalModel(const ModelContext& context, UninstallService service,
                           UnregisterLoginItem unregisterLoginItem, QObject* parent)
    : QObject(parent),
      isDryRun_(context.isDryRun),
      service_(std::move(service)),
      snapshots_(context.history),
      verifier_(context.verifier),
      unregisterLoginItem_(std::move(unregisterLoginItem)),
      notice_(context.notice),
      appDataRows_(new RowListModel({"label", "path", "size", "accessibleName"}, this)),
      progress_(new WorkInProgress(this)) {
  reload();
  if (notice_) notice_->listen(this, [this](const Change&) { reload(); });
}

QString RemovalModel::closingSentence() const {
  return guided::localized("Then quit AmberLoom and drag it from your Applications folder to the Trash.");
}

std::unique_ptr<RemovalModel> RemovalModel::live(const ModelContext& context, UninstallService service) {
  return std::make_unique<RemovalModel>(context, std::move(service),
                                        [] { return LoginItemService(LoginItemService::agentPlist).disable(); });
}

void RemovalModel::reload() { setPlan(service_.plan()); }

void RemovalModel::revertEverything() {
  if (isDryRun_ || progress_->isRunning()) return;
  const auto batch = progress_->run(
      guided::localized("Putting %lld settings back to the macOS default…",
                        {static_cast<std::int64_t>(plan_.settingsLeftChanged)}),
      [service = service_, verifier = verifier_, history = snapshots_] {
        return service.revertEverything(*verifier, history);
      });
  setOutcome(Reverted{batch.report});
  setUndoSurvivesRestart(batch.wayBack && batch.wayBack->onDisk());
  setLastError(batch.undoPointMessage(false));
  unregisterLoginItem();
  reload();
  // Nothing put back is nothing to announce.
  if (notice_ && batch.wayBack) notice_->announce(batch.change, this);
}

void RemovalModel::removeAppData() {
  if (isDryRun_ || progress_->isRunning()) return;
  setOutcome(Removed{service_.removeAppData()});
  unregisterLoginItem();
  reload();
  // The undo points and the change history are gone: the screens that list them read again.
  if (notice_) notice_->announce(Change{{}, {}, true}, this);
}

void RemovalModel::unregisterLoginItem() {
  if (!unregisterLoginItem_) return;
  if (auto failure = unregisterLoginItem_(); failure && !lastError_) setLastError(std::move(failure));
}

void RemovalModel::setPlan(RemovalPlan plan) {
  if (!replace(plan_, std::move(plan))) return;
  QList<QVariantMap> rows;
  for (const auto& item : plan_.appData) {
    const QString size = guided::fileSize(item.bytes);
    rows << QVariantMap{{QStringLiteral("label"), qstr(item.label)},
                        {QStringLiteral("path"), qstr(item.path)},
                        {QStringLiteral("size"), size},
                        {QStringLiteral("accessibleName"), qstr(item.label) + QStringLiteral(", ") + size}};
  }
  appDataRows_->setRows(std::move(rows));
  emit planChanged();
}

void RemovalModel::setOutcome(Outcome outcome) {
  if (outcome_ == outcome) return;
  outcome_ = std::move(outcome);
  emit outcomeChanged();
}
void RemovalModel::setUndoSurvivesRestart(bool survives) {
  if (replace(undoSurvivesRestart_, survives)) emit undoSurvivesRestartChanged();
}
void RemovalModel::setLastError(std::optional<std::string> error) {
  if (replace(lastError_, std::move(error))) emit lastErrorChanged();
}

QString RemovalModel::backupsPath() const { return plan_.backups ? qstr(plan_.backups->path) : QString(); }

QString RemovalModel::outcomeText() const {
  if (!outcome_) return {};
  if (const auto* reverted = std::get_if<Reverted>(&*outcome_)) {
    const auto& report = reverted->report;
    const QString counts = QString::number(report.appliedCount()) + QStringLiteral(" of ") + QString::number(report.total());
    if (report.failed().empty()) return counts + QStringLiteral(" settings put back");
    return counts + QStringLiteral(" put back — ") + QString::number(report.failed().size()) +
           QStringLiteral(" did not budge");
  }
  const auto& failures = std::get<Removed>(*outcome_).failures;
  if (failures.empty()) return QStringLiteral("AmberLoom's files are gone");
  QStringList paths;
  for (const auto& path : failures) paths << qstr(path);
  return QString::number(failures.size()) + QStringLiteral(" file(s) could not be deleted: ") +
         paths.join(QStringLiteral(", "));
}

bool RemovalModel::outcomeIsWarning() const {
  if (!outcome_) return false;
  if (const auto* reverted = std::get_if<Reverted>(&*outcome_)) return !reverted->report.failed().empty();
  return !std::get<Removed>(*outcome_).failures.empty();
}

QString RemovalModel::lastErrorText() const { return qstr(lastError_.value_or("")); }

}  // namespace amberloom::ui
