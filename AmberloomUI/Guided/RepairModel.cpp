#include "Guided/RepairModel.hpp"

#include <algorithm>
#include <utility>

#include "Kit/BackgroundCall.hpp"
#include "Kit/GuidedText.hpp"
#include "Kit/Logging.hpp"

namespace amberloom::ui {

using guided::qstr;
using guided::replace;

namespace {

constexpr const char* kDryRunReason = "kuru kosum";

QVariantMap findingRow(const RepairFinding& finding, bool selected, const QString& keepFailure) {
  const auto& control = finding.setting.control;
  return {{QStringLiteral("findingId"), qstr(finding.id())},
          {QStringLiteral("label"), qstr(finding.setting.label)},
          {QStringLiteral("valuesLine"),
           (finding.currentUnreadable ? guided::localized("cannot be read") : qstr(control.describe(finding.current))) +
               QStringLiteral(" now · you chose ") + qstr(control.describe(finding.wanted))},
          {QStringLiteral("chosenAt"), guided::abbreviatedDateTime(finding.chosenAt)},
          {QStringLiteral("selected"), selected},
          {QStringLiteral("keepFailure"), keepFailure}};
}

// What the screen ticks by itself: every finding but one that would switch a macOS protection
// off again after macOS turned it back on, which takes the user's own tick.
std::set<std::string> preTicked(const RepairScan& scan) {
  std::set<std::string> ids;
  for (const auto& finding : scan.findings)
    if (finding.setting.risk != SettingRisk::weakensSecurity) ids.insert(finding.id());
  return ids;
}

struct FirstFindings {
  RepairScan scan;
  std::vector<std::string> unreadableHistoryFiles;
};

// Reads the history and every setting it names, and remembers the build seen: any thread.
FirstFindings scanAndRememberBuild(const RepairScanner& scanner, const IntentLog& log, const UserDefaultsRef& defaults) {
  FirstFindings found{scanner.scan(defaults->stringValue(RepairModel::lastSeenBuildKey)), log.quarantinedFiles()};
  try {
    defaults->setString(found.scan.currentOSBuild, RepairModel::lastSeenBuildKey);
  } catch (const std::exception& error) {
    // The next start then compares with an older build; nothing else depends on it.
    qCWarning(lcGuided).noquote() << "The macOS build seen cannot be remembered:" << error.what();
  }
  return found;
}

}  // namespace

RepairModel::RepairModel(const ModelContext& context, RepairScanner scanner, RepairService service, IntentLog log,
                         QObject* parent, FirstScan first)
    : QObject(parent),
      isDryRun_(context.isDryRun),
      scanner_(std::move(scanner)),
      service_(std::move(service)),
      verifier_(context.verifier),
      defaults_(context.defaults),
      notice_(context.notice),
      log_(std::move(log)),
      findingRows_(new RowListModel({"findingId", "label", "valuesLine", "chosenAt", "selected", "keepFailure"}, this)),
      batch_(new GuidedBatch(context.history, WayBackQuestion::Undo::whileOpen, this)),
      inbox_(std::make_shared<BackgroundInbox>(this)) {
  if (notice_) notice_->listen(this, [this](const Change&) { rescan(); });
  if (first == FirstScan::now) {
    auto found = scanAndRememberBuild(scanner_, log_, defaults_);
    showFirstScan(std::move(found.scan), std::move(found.unreadableHistoryFiles));
    return;
  }
  firstScanPending_ = true;
  runOffMainThread(
      inbox_, [scanner = scanner_, log = log_, defaults = defaults_] { return scanAndRememberBuild(scanner, log, defaults); },
      [this](BackgroundOutcome<FirstFindings> found) {
        firstScanPending_ = false;
        if (found.value) {
          showFirstScan(std::move(found.value->scan), std::move(found.value->unreadableHistoryFiles));
        } else {
          try {
            std::rethrow_exception(found.error);
          } catch (...) {
            qCWarning(lcGuided).noquote() << "The settings you changed could not be checked:" << currentError();
          }
          emit scanChanged();  // the headline no longer says a check is under way
        }
        if (std::exchange(rescanWanted_, false)) rescan();
      });
}

RepairModel::~RepairModel() { inbox_->close(); }

void RepairModel::showFirstScan(RepairScan scan, std::vector<std::string> unreadableHistoryFiles) {
  selectedIDs_ = preTicked(scan);
  scan_ = std::move(scan);
  showFindings();
  emit scanChanged();
  emit selectedIDsChanged();
  setUnreadableHistoryFiles(std::move(unreadableHistoryFiles));
}

std::string RepairModel::headline() const {
  // Before the first scan is in, nothing is known yet: "the way you left it" would be a guess.
  if (firstScanPending_) return "Checking the settings you changed…";
  const auto n = scan_.findings.size();
  if (n == 0) return "Everything is the way you left it.";
  if (scan_.osChanged())
    return "A macOS update reset " + std::to_string(n) + (n == 1 ? " setting" : " settings") + " you had changed.";
  if (n == 1) return "1 setting you changed is not the way you left it.";
  return std::to_string(n) + " settings you changed are not the way you left them.";
}

std::shared_ptr<RepairModel> RepairModel::live(const ModelContext& context, const SettingsCatalog& catalog,
                                               const SettingsService& settings, const PreferenceStoreRef& store,
                                               const IntentLog& log, std::string osBuild, FirstScan first) {
  return std::make_shared<RepairModel>(context, RepairScanner(catalog, settings, log, std::move(osBuild)),
                                       RepairService(settings, log, DomainResolver::live(), store), log, nullptr,
                                       first);
}

void RepairModel::setSelectedIDs(std::set<std::string> ids) {
  if (!replace(selectedIDs_, std::move(ids))) return;
  showFindings();
  emit selectedIDsChanged();
}

void RepairModel::setSelected(const QString& findingId, bool selected) {
  auto ids = selectedIDs_;
  if (selected)
    ids.insert(findingId.toStdString());
  else
    ids.erase(findingId.toStdString());
  setSelectedIDs(std::move(ids));
}

void RepairModel::scanAgain() {
  setScan(scanner_.scan(scan_.currentOSBuild));
  setSelectedIDs(preTicked(scan_));
  setUnreadableHistoryFiles(log_.quarantinedFiles());
}

void RepairModel::rescan() {
  if (firstScanPending_) {
    rescanWanted_ = true;
    return;
  }
  if (batch_->isRunning()) return;
  setReport(std::nullopt);
  setKeepFailure(std::nullopt);
  scanAgain();
}

void RepairModel::repairSelected() {
  if (batch_->isRunning()) return;
  std::vector<RepairFinding> chosen;
  for (const auto& finding : scan_.findings)
    if (selectedIDs_.contains(finding.id())) chosen.push_back(finding);
  if (chosen.empty()) return;

  if (isDryRun_) {
    WriteReport report;
    for (const auto& finding : chosen) report.outcomes.push_back({finding.id(), false, kDryRunReason});
    setReport(std::move(report));
    batch_->showOutcome();
    return;
  }

  batch_->run(
      guided::localized("Putting back %lld settings…", {static_cast<std::int64_t>(chosen.size())}),
      [service = service_, chosen, verifier = verifier_](const SnapshotHistory& history) {
        return service.repair(chosen, *verifier, history);
      },
      [this](BatchResult<WriteReport> batch) {
        const WriteReport& report = batch.report;
        setReport(report);
        const auto failed = report.failed().size();
        setLastError(failed == 0 ? std::nullopt
                                 : std::optional(std::to_string(failed) + " settings could not be put back"));
        setUndoReport(std::nullopt);
        setLastUndo(batch.wayBack ? std::optional(batch.wayBack->point) : std::nullopt);
        setUndoSurvivesRestart(batch.wayBack && batch.wayBack->onDisk());
        // A count of settings that failed is the message that matters more.
        if (!lastError_) setLastError(batch.undoPointMessage(batch.wayBack.has_value()));
        announce(batch.change);
        scanAgain();
        setReport(report);
      });
}

void RepairModel::undoLast() {
  if (isDryRun_ || !lastUndo_ || batch_->isRunning()) return;
  batch_->run(guided::localized("Undoing the repair…"),
              [service = service_, wayBack = *lastUndo_, verifier = verifier_](const SnapshotHistory& history) {
                return service.undo(wayBack, *verifier, history);
              },
              [this](BatchResult<UndoReport> batch) {
                const UndoReport& result = batch.report;
                setUndoReport(result);
                if (result.isComplete()) {
                  setLastError(std::nullopt);
                  setLastUndo(std::nullopt);
                  setUndoSurvivesRestart(false);
                  rescan();
                } else {
                  setLastError(guided::incompleteUndo(result));
                }
                announce(batch.change);
              });
}

void RepairModel::announce(const Change& change) {
  if (notice_) notice_->announce(change, this);
}

void RepairModel::keep(const RepairFinding& finding) {
  if (batch_->isRunning()) return;
  std::optional<std::string> failure;
  try {
    service_.accept(finding);
  } catch (const HistoryWriteError& error) {
    qCWarning(lcGuided).noquote() << "Keeping" << finding.id().c_str() << "as it is was not saved:" << error.what();
    failure = "“" + finding.setting.label + "” could not be kept as it is. " + error.what();
  }
  rescan();
  setKeepFailure(std::move(failure), finding.id());
}

void RepairModel::keep(const QString& findingId) {
  for (const auto& finding : scan_.findings)
    if (finding.id() == findingId.toStdString()) return keep(RepairFinding(finding));
}

void RepairModel::setScan(RepairScan scan) {
  if (!replace(scan_, std::move(scan))) return;
  showFindings();
  emit scanChanged();
}

void RepairModel::showFindings() {
  QList<QVariantMap> rows;
  for (const auto& finding : scan_.findings)
    rows << findingRow(finding, selectedIDs_.contains(finding.id()),
                       keepFailure_ && finding.id() == keepFailureID_ ? qstr(*keepFailure_) : QString());
  findingRows_->setRows(std::move(rows));
}

void RepairModel::setReport(std::optional<WriteReport> report) {
  if (replace(report_, std::move(report))) emit reportChanged();
}
void RepairModel::setLastError(std::optional<std::string> error) {
  if (replace(lastError_, std::move(error))) emit lastErrorChanged();
}
void RepairModel::setLastUndo(std::optional<StoredSnapshot> undo) {
  if (replace(lastUndo_, std::move(undo))) emit lastUndoChanged();
}
void RepairModel::setUndoSurvivesRestart(bool survives) {
  if (replace(undoSurvivesRestart_, survives)) emit undoSurvivesRestartChanged();
}
void RepairModel::setUndoReport(std::optional<UndoReport> report) {
  if (replace(undoReport_, std::move(report))) emit undoReportChanged();
}
void RepairModel::setUnreadableHistoryFiles(std::vector<std::string> names) {
  if (replace(unreadableHistoryFiles_, std::move(names))) emit unreadableHistoryFilesChanged();
}
void RepairModel::setKeepFailure(std::optional<std::string> failure, std::string id) {
  keepFailureID_ = std::move(id);
  if (!replace(keepFailure_, std::move(failure))) return;
  showFindings();
  emit keepFailureChanged();
}

bool RepairModel::keepFailureListed() const {
  return keepFailure_ && std::any_of(scan_.findings.begin(), scan_.findings.end(),
                                     [this](const RepairFinding& finding) { return finding.id() == keepFailureID_; });
}

QString RepairModel::headlineText() const { return qstr(headline()); }

QStringList RepairModel::selectedIDList() const {
  QStringList ids;
  for (const auto& id : selectedIDs_) ids << qstr(id);
  return ids;
}

void RepairModel::setSelectedIDList(const QStringList& ids) {
  std::set<std::string> chosen;
  for (const auto& id : ids) chosen.insert(id.toStdString());
  setSelectedIDs(std::move(chosen));
}

QVariant RepairModel::reportCard() const {
  return report_ ? QVariant(guided::writeReportCard(*report_, isDryRun_)) : QVariant();
}

QVariant RepairModel::undoReportCard() const {
  return undoReport_ ? QVariant(guided::undoReportCard(*undoReport_)) : QVariant();
}

QString RepairModel::lastErrorText() const { return qstr(lastError_.value_or("")); }
QString RepairModel::keepFailureText() const { return qstr(keepFailure_.value_or("")); }

}  // namespace amberloom::ui
