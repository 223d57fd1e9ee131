#include "Guided/RemovalModel.hpp"

#include <QStringList>

#include "Kit/GuidedText.hpp"
#include "Sync/LoginItemService.hpp"

namespace amberloom::ui {

using guided::qstr;
using guided::replace;

RemovalModel::RemovalModel(const ModelContext& context, UninstallService service, StopSync stopSync,
                           QObject* parent)
    : QObject(parent),
      isDryRun_(context.isDryRun),
      service_(std::move(service)),
      verifier_(context.verifier),
      stopSync_(std::move(stopSync)),
      notice_(context.notice),
      appDataRows_(new RowListModel({"label", "path", "size", "accessibleName"}, this)),
      batch_(new GuidedBatch(context.history, WayBackQuestion::Undo::none, this)) {
  reload();
  if (notice_) notice_->listen(this, [this](const Change&) { reload(); });
}

QString RemovalModel::closingSentence() const {
  return guided::localized("Then quit AmberLoom and drag it from your Applications folder to the Trash.");
}

std::unique_ptr<RemovalModel> RemovalModel::live(const ModelContext& context, UninstallService service,
                                                 StopSync turnOffAutoSync) {
  auto stopSync = [turnOffAutoSync = std::move(turnOffAutoSync)]() -> std::optional<std::string> {
    const auto autoSyncLeftOn = turnOffAutoSync ? turnOffAutoSync() : std::nullopt;
    const auto loginItemLeftOn = LoginItemService(LoginItemService::agentPlist).disable();
    return autoSyncLeftOn ? autoSyncLeftOn : loginItemLeftOn;
  };
  return std::make_unique<RemovalModel>(context, std::move(service), std::move(stopSync));
}

void RemovalModel::reload() { setPlan(service_.plan()); }

void RemovalModel::revertEverything() {
  if (isDryRun_ || batch_->isRunning()) return;
  // Off first: a sync meanwhile would copy back from the other Macs what is being put back.
  auto syncLeftOn = stopSync();
  // Said at once: when the way-back question comes first, sync stays as it is meanwhile.
  if (syncLeftOn) setLastError(syncLeftOn);
  batch_->run(guided::localized("Putting %lld settings back to the macOS default…",
                                {static_cast<std::int64_t>(plan_.settingsLeftChanged)}),
              [service = service_, verifier = verifier_](const SnapshotHistory& history) {
                return service.revertEverything(*verifier, history);
              },
              [this, syncLeftOn](BatchResult<WriteReport> batch) {
                setOutcome(Reverted{batch.report});
                setUndoSurvivesRestart(batch.wayBack && batch.wayBack->onDisk());
                const auto undoPointMessage = batch.undoPointMessage(false);
                setLastError(undoPointMessage ? undoPointMessage : syncLeftOn);
                reload();
                // Nothing put back is nothing to announce.
                if (notice_ && batch.wayBack) notice_->announce(batch.change, this);
              });
}

void RemovalModel::removeAppData() {
  if (isDryRun_ || batch_->isRunning()) return;
  // Off before the files go, so that turning it off writes no preferences file anew.
  auto syncLeftOn = stopSync();
  const auto removal =
      batch_->progress()->run(guided::localized("Taking this Mac off your account and deleting AmberLoom's files…"),
                              [service = service_] { return service.removeAppData(); });
  setOutcome(Removed{removal.failures, removal.stillListed});
  if (syncLeftOn && !lastError_) setLastError(std::move(syncLeftOn));
  reload();
  // The undo points and the change history are gone: the screens that list them read again.
  if (notice_) notice_->announce(Change{{}, {}, true}, this);
  batch_->showOutcome();
}

std::optional<std::string> RemovalModel::stopSync() const { return stopSync_ ? stopSync_() : std::nullopt; }

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
  const auto& removed = std::get<Removed>(*outcome_);
  QString text;
  if (removed.failures.empty()) {
    text = QStringLiteral("AmberLoom's files are gone");
  } else {
    QStringList paths;
    for (const auto& path : removed.failures) paths << qstr(path);
    text = QString::number(removed.failures.size()) + QStringLiteral(" file(s) could not be deleted: ") +
           paths.join(QStringLiteral(", "));
  }
  // The files going is not all the user asked for: this Mac would still be listed as one of theirs.
  if (removed.stillListed) text += QStringLiteral(". ") + stillListedSentence;
  return text;
}

bool RemovalModel::outcomeIsWarning() const {
  if (!outcome_) return false;
  if (const auto* reverted = std::get_if<Reverted>(&*outcome_)) return !reverted->report.failed().empty();
  const auto& removed = std::get<Removed>(*outcome_);
  return !removed.failures.empty() || removed.stillListed;
}

QString RemovalModel::lastErrorText() const { return qstr(lastError_.value_or("")); }

}  // namespace amberloom::ui
