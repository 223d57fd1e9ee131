#include "Account/SyncModel.hpp"

#include <algorithm>
#include <exception>

#include "Account/AccountModel.hpp"
#include "Account/AccountTexts.hpp"
#include "Account/DifferenceListModel.hpp"
#include "Account/MacListModel.hpp"
#include "Account/SyncTexts.hpp"
#include "Kit/BackgroundCall.hpp"
#include "Kit/GuidedText.hpp"
#include "Kit/Localized.hpp"
#include "Kit/Logging.hpp"
#include "Preferences/PinnedSettings.hpp"

namespace amberloom::ui {

namespace {

std::string errorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace

SyncModel::SyncModel(const ModelContext& context, SyncService service, std::shared_ptr<ServerSync> transport,
                     QObject* parent, FirstRefresh first)
    : QObject(parent),
      service_(std::move(service)),
      transport_(std::move(transport)),
      isDryRun_(context.isDryRun),
      snapshots_(context.history),
      verifier_(context.verifier),
      defaults_(context.defaults),
      notice_(context.notice),
      clock_(context.clock),
      macs_(new MacListModel(clock_, this)),
      differences_(new DifferenceListModel(this)),
      inbox_(std::make_shared<BackgroundInbox>(this)),
      batch_(new GuidedBatch(context.history, WayBackQuestion::Undo::none, this)) {
  pinned_ = PinnedSettings::load(*defaults_);
  isAutoSyncOn_ = defaults_->boolValue(autoSyncKey).value_or(false);
  if (first == FirstRefresh::now) {
    history_ = snapshots_.list();
    historyRead_ = true;
  }
  // The name follows both the selection and the documents it is read from.
  connect(this, &SyncModel::selectedDeviceIDChanged, this, &SyncModel::selectedMacNameChanged);
  connect(this, &SyncModel::othersChanged, this, &SyncModel::selectedMacNameChanged);
  if (notice_)
    notice_->listen(this, [this](const Change& change) {
      refreshRows();
      if (change.storedUndoPoint) refreshHistory();
    });
  if (first == FirstRefresh::now) refresh();
}

std::shared_ptr<SyncModel> SyncModel::live(const ModelContext& context, SyncService service,
                                           std::shared_ptr<ServerSync> transport, FirstRefresh first) {
  return std::make_shared<SyncModel>(context, std::move(service), std::move(transport), nullptr, first);
}

SyncModel::~SyncModel() { inbox_->close(); }

// ---- observed state ----

void SyncModel::setLastError(std::optional<std::string> error) {
  if (error == lastError_) return;
  lastError_ = std::move(error);
  emit lastErrorChanged();
}

void SyncModel::setUploadProblem(std::optional<std::string> problem, bool needsRoom) {
  const bool shown = lastError_ && lastError_ == uploadProblem_;
  const bool roomChanged = needsRoom != sendNeedsRoom_;
  uploadProblem_ = std::move(problem);
  sendNeedsRoom_ = needsRoom;
  if (roomChanged) emit isWaitingToSendChanged();
  if (uploadProblem_)
    setLastError(uploadProblem_);
  else if (shown)
    setLastError(std::nullopt);
}

void SyncModel::setProtectionQuestion(QString question) {
  if (question == protectionQuestion_) return;
  protectionQuestion_ = std::move(question);
  emit protectionQuestionChanged();
}

void SyncModel::setPublishedPath(std::optional<std::string> path) {
  if (path == publishedPath_) return;
  publishedPath_ = std::move(path);
  emit publishedPathChanged();
}

void SyncModel::setWaitingToSend(bool waiting) {
  if (waiting == isWaitingToSend_) return;
  isWaitingToSend_ = waiting;
  emit isWaitingToSendChanged();
}

void SyncModel::setAutoAppliedCount(int count) {
  if (count == autoAppliedCount_) return;
  autoAppliedCount_ = count;
  emit autoAppliedCountChanged();
}

void SyncModel::setSelectedIDs(std::set<std::string> ids) {
  if (ids == selectedIDs_) return;
  selectedIDs_ = std::move(ids);
  updateLists();
  emit selectedIDsChanged();
}

void SyncModel::setSelectedDeviceID(std::optional<std::string> deviceID) {
  const bool changed = deviceID != selectedDeviceID_;
  selectedDeviceID_ = std::move(deviceID);
  if (changed) emit selectedDeviceIDChanged();
  refreshRows();
}

void SyncModel::selectDevice(const QString& deviceID) {
  setSelectedDeviceID(deviceID.isEmpty() ? std::nullopt : std::optional(deviceID.toStdString()));
}

void SyncModel::setAutoSyncOn(bool on) { storeAutoSync(on); }

std::optional<std::string> SyncModel::turnOffAutoSync() {
  return isAutoSyncOn_ ? storeAutoSync(false) : std::nullopt;
}

std::optional<std::string> SyncModel::storeAutoSync(bool on) {
  const bool changed = on != isAutoSyncOn_;
  isAutoSyncOn_ = on;
  if (changed) emit isAutoSyncOnChanged();
  return remember([on](UserDefaults& defaults) { defaults.setBool(on, autoSyncKey); });
}

void SyncModel::setHistory(SnapshotHistory::Listing history) {
  historyRead_ = true;
  if (history == history_) return;
  history_ = std::move(history);
  emit historyChanged();
}

void SyncModel::setRows(std::vector<SyncRow> rows) {
  if (rows == rows_) return;
  rows_ = std::move(rows);
  emit rowsChanged();
}

std::optional<std::string> SyncModel::remember(const std::function<void(UserDefaults&)>& write) {
  try {
    write(*defaults_);
    return std::nullopt;
  } catch (const std::exception& error) {
    std::string failure = std::string("This choice could not be saved: ") + error.what();
    setLastError(failure);
    return failure;
  }
}

// ---- derived ----

std::vector<SyncRow> SyncModel::actionableRows() const {
  std::vector<SyncRow> actionable;
  for (const auto& row : rows_)
    if (row.needsAttention()) actionable.push_back(row);
  return actionable;
}

int SyncModel::identicalCount() const {
  int count = 0;
  for (const auto& row : rows_) count += row.difference.kind() == SyncDifference::Case::same;
  return count;
}

QString SyncModel::selectedMacName() const {
  // With clones the selection is the account's entry, which no user knows: only a name is shown.
  const SyncDocument* document = selectedDocument();
  return document ? macName(document->displayName()) : localized("another Mac");
}

const SyncDocument* SyncModel::selectedDocument() const {
  if (!selectedDeviceID_) return nullptr;
  for (std::size_t i = 0; i < others_.size(); ++i)
    if (sources_[i] == *selectedDeviceID_) return &others_[i];
  return nullptr;
}

std::optional<double> SyncModel::selectedSharedAt() const {
  const auto found = selectedDeviceID_ ? sharedAt_.find(*selectedDeviceID_) : sharedAt_.end();
  return found == sharedAt_.end() ? std::nullopt : std::optional(found->second);
}

// ---- fetching and publishing ----

void SyncModel::readHistoryInBackground() {
  if (historyRead_ || historyReading_) return;
  historyReading_ = true;
  runOffMainThread(
      inbox_,
      [points = snapshots_] { return points.list(); },
      [this](BackgroundOutcome<SnapshotHistory::Listing> read) {
        historyReading_ = false;
        if (historyRead_) return;
        historyRead_ = true;
        history_ = std::move(read.value).value_or(SnapshotHistory::Listing{});
        // Also when no point reads: the unreadable files follow this signal.
        emit historyChanged();
      });
}

void SyncModel::refresh(std::function<void()> done) {
  readHistoryInBackground();
  // A pending document goes out in its turn behind any upload under way while the other Macs are
  // fetched beside it, so that a slow upload never holds the page back; `done` runs once both ended.
  // What a fetch started for an account that has since signed out brings back is dropped.
  const int signOuts = signOuts_;
  auto finished = std::make_shared<std::function<void()>>(
      [left = 2, done = std::move(done)]() mutable {
        if (--left == 0 && done) done();
      });
  runOffMainThread(
      inbox_,
      [transport = transport_] {
        bool sent = false;
        if (awaitResult(transport->hasPendingDocument())) {
          // A pending document that still cannot be sent is not this refresh's failure.
          try {
            const auto flushed = awaitResult(transport->flushPending());
            sent = flushed && flushed->outcomeCase() == ServerSync::Outcome::Case::published;
          } catch (...) {
            qCWarning(lcAccount).noquote() << "The pending sync document was not sent:" << currentError();
          }
        }
        return std::pair(sent, awaitResult(transport->hasPendingDocument()));
      },
      [this, signOuts, finished](BackgroundOutcome<std::pair<bool, bool>> outcome) {
        if (signOuts == signOuts_ && outcome.value) {
          setWaitingToSend(outcome.value->second);
          // Only an upload that went through ends an upload's failure.
          if (outcome.value->first) setUploadProblem(std::nullopt);
        }
        (*finished)();
      });
  runOffMainThread(
      inbox_, [transport = transport_] { return awaitResult(transport->fetchOthers()); },
      [this, signOuts, finished](BackgroundOutcome<SyncService::ReadResult> outcome) {
        if (signOuts == signOuts_ && outcome.error) {
          setLastError(AccountModel::describe(outcome.error).toStdString());
        } else if (signOuts == signOuts_) {
          apply(std::move(*outcome.value));
          clearLastError();
        }
        (*finished)();
      });
}

void SyncModel::apply(SyncService::ReadResult result) {
  if (result.documents() != others_ || result.sources() != sources_ || result.sharedAt != sharedAt_ ||
      result.entryNames != entryNames_) {
    others_ = result.documents();
    sources_ = result.sources();
    sharedAt_ = std::move(result.sharedAt);
    entryNames_ = std::move(result.entryNames);
    emit othersChanged();
  }
  if (unreadable_ != result.unreadable()) {
    unreadable_ = result.unreadable();
    emit unreadableChanged();
  }
  if (selectedDocument())
    refreshRows();
  else
    setSelectedDeviceID(sources_.empty() ? std::nullopt : std::optional(sources_.front()));
}

void SyncModel::refreshRows() {
  const SyncDocument* document = selectedDocument();
  setRows(document ? service_.compare(*document, pinned_) : std::vector<SyncRow>{});
  // A tick lives only as long as its card: a row that is now the same on both Macs, or gone,
  // cannot be copied, and its tick would offer a copy that does nothing.
  std::set<std::string> kept;
  for (const auto& row : actionableRows())
    if (selectedIDs_.contains(row.settingID)) kept.insert(row.settingID);
  if (kept != selectedIDs_) {
    selectedIDs_ = std::move(kept);
    emit selectedIDsChanged();
  }
  updateLists();
}

void SyncModel::updateLists() {
  const auto actionable = actionableRows();
  macs_->update(others_, sources_, sharedAt_, selectedDocument() ? selectedDeviceID_ : std::nullopt,
                static_cast<int>(actionable.size()));
  const auto cautions = service_.cautions(actionable);
  cautions_.clear();
  for (std::size_t i = 0; i < actionable.size(); ++i)
    if (cautions[i]) cautions_.insert_or_assign(actionable[i].settingID, *cautions[i]);
  differences_->update(actionable, selectedIDs_, cautions, service_.catalog());
  const auto damage = service_.historyDamage();
  const QString note = damage ? localized("The change history could not be read, so what you decided on this Mac is "
                                          "unknown: nothing comes over by itself until you tick it. The unreadable "
                                          "history is kept as %@.",
                                          {QString::fromStdString(*damage)})
                              : QString();
  if (note != historyNote_) {
    historyNote_ = note;
    emit historyNoteChanged();
  }
}

void SyncModel::publish(std::function<void()> done) {
  if (isDryRun_) {
    setPublishedPath(practicePublish);
    if (done) done();
    return;
  }
  runOffMainThread(
      inbox_, [transport = transport_, document = service_.currentDocument()] {
        return awaitResult(transport->publish(document));
      },
      [this, done = std::move(done)](BackgroundOutcome<ServerSync::Outcome> outcome) {
        if (outcome.error) {
          // The transport answers every failure with a queued outcome; anything else still
          // leaves the document unsent.
          setPublishedPath(std::nullopt);
          setWaitingToSend(true);
          setUploadProblem(errorText(outcome.error) + retrySuffix);
        } else if (outcome.value->outcomeCase() == ServerSync::Outcome::Case::published) {
          setPublishedPath(sharedSentence);
          setWaitingToSend(false);
          setUploadProblem(std::nullopt);
          setLastError(std::nullopt);
        } else if (outcome.value->outcomeCase() == ServerSync::Outcome::Case::notSent) {
          // Nothing was kept for a later send, so nothing may promise one.
          setPublishedPath(std::nullopt);
          setUploadProblem(outcome.value->reason() + (outcome.value->isTooLarge() ? tooLargeSuffix : ""));
        } else {
          // Each waiting document says what it waits for; only the network comes back by itself.
          const auto& queued = *outcome.value;
          const std::string& suffix = queued.waitsForSignIn()    ? signInSuffix
                                      : queued.waitsForNetwork() ? queuedSuffix
                                      : queued.waitsForRoom()    ? roomSuffix
                                                                 : retrySuffix;
          setPublishedPath(std::nullopt);
          setWaitingToSend(true);
          setUploadProblem(queued.reason() + suffix, queued.waitsForRoom());
        }
        if (done) done();
      });
}

void SyncModel::syncNow(std::function<void()> done) {
  publish([this, done = std::move(done)]() mutable {
    refresh([this, done = std::move(done)]() mutable {
      if (isAutoSyncOn_)
        applyNonConflicting(std::move(done));
      else if (done)
        done();
    });
  });
}

// ---- copying ----

void SyncModel::applyNonConflicting(std::function<void()> done) { applyNonConflicting(snapshots_, std::move(done)); }

void SyncModel::applyNonConflicting(const SnapshotHistory& undoPoints, std::function<void()> done) {
  // Only what the one rule lets come unasked (SyncRowCaution): the rest waits for its tick.
  const auto eligible = service_.unattended(rows_);
  // Practice mode writes nothing, the automatic copy included; a copy under way is not made twice.
  if (eligible.empty() || isDryRun_ || batch_->progress()->isRunning()) {
    setAutoAppliedCount(0);
    if (done) done();
    return;
  }
  const auto batch = batch_->progress()->run(
      localized("Copying %lld settings from %@…", {QString::number(eligible.size()), selectedMacName()}),
      [service = service_, eligible, verifier = verifier_, from = selectedMacName().toStdString(),
       history = undoPoints] { return service.apply(eligible, *verifier, from, history); });
  // Asked now, the rest of the sync going on: nothing was copied meanwhile.
  const bool asked =
      batch_->askIfHeldBack(batch, [this] { applyNonConflicting(snapshots_.allowingBatchesWithoutPoint(), {}); });
  setAutoAppliedCount(static_cast<int>(batch.report.appliedCount()));
  if (const auto message = batch.undoPointMessage(false); message && !asked) setLastError(message);
  setHistory(snapshots_.list());
  if (batch.wayBack) announce(batch.change);
  refresh(std::move(done));
}

std::vector<SyncRow> SyncModel::chosenRows() const {
  std::vector<SyncRow> chosen;
  for (const auto& row : actionableRows()) {
    const auto caution = cautions_.find(row.settingID);
    if (selectedIDs_.contains(row.settingID) && (caution == cautions_.end() || !caution->second.blocksCopy()))
      chosen.push_back(row);
  }
  return chosen;
}

void SyncModel::applySelected() {
  if (batch_->isRunning()) return;
  // A protection is named before anything is written, as the restore names it.
  QStringList protections;
  for (const auto& row : chosenRows())
    if (const auto caution = cautions_.find(row.settingID);
        caution != cautions_.end() && caution->second.reason == SyncRowCaution::Reason::weakensSecurity)
      protections << QString::fromStdString(row.label);
  if (!protections.isEmpty()) {
    setProtectionQuestion(localized("This copy changes a macOS protection on this Mac: %@. Copy it over anyway?",
                                    {protections.join(QStringLiteral(", "))}));
    return;
  }
  copyChosen();
}

void SyncModel::confirmProtections() {
  // The dialog closes (and so cancels) before it confirms: the answer stands on its own.
  setProtectionQuestion({});
  copyChosen();
}

void SyncModel::cancelProtections() { setProtectionQuestion({}); }

void SyncModel::copyChosen() {
  if (batch_->isRunning()) return;
  const auto chosen = chosenRows();
  if (chosen.empty()) return;

  if (isDryRun_) {
    WriteReport practice;
    for (const auto& row : chosen) practice.outcomes.push_back({row.settingID, false, practiceOutcome});
    report_ = std::move(practice);
    emit reportChanged();
    batch_->showOutcome();
    return;
  }

  // The undo point names the Mac as the page does.
  batch_->run(localized("Copying %lld settings from %@…", {QString::number(chosen.size()), selectedMacName()}),
              [service = service_, chosen, verifier = verifier_,
               from = selectedMacName().toStdString()](const SnapshotHistory& history) {
                return service.apply(chosen, *verifier, from, history);
              },
              [this, chosen](BatchResult<WriteReport> batch) {
                if (const auto message = batch.undoPointMessage(false)) setLastError(message);
                setHistory(snapshots_.list());
                report_ = std::move(batch.report);
                emit reportChanged();
                // What this Mac lacks and the user saw and left unticked was declined: it stays held.
                std::vector<std::string> declined;
                for (const auto& row : actionableRows())
                  if (row.difference.kind() == SyncDifference::Case::onlyThere &&
                      std::none_of(chosen.begin(), chosen.end(),
                                   [&](const SyncRow& c) { return c.settingID == row.settingID; }))
                    declined.push_back(row.settingID);
                try {
                  service_.decline(declined);
                } catch (const HistoryWriteError& error) {
                  setLastError(std::string("The settings you left unticked may still come over by themselves: ") +
                               error.what());
                }
                setSelectedIDs({});
                refreshRows();
                if (batch.wayBack) announce(batch.change);
              });
}

std::optional<BatchResult<UndoReport>> SyncModel::undo(const StoredSnapshot& given, bool agreed) {
  // A copy: the list it comes from may change while the undo runs.
  return undo(given.reason, [point = given](const SnapshotHistory&) { return point; }, agreed);
}

std::optional<BatchResult<UndoReport>> SyncModel::undo(const SnapshotHistory::Listed& listed, bool agreed) {
  return undo(listed.reason, [listed](const SnapshotHistory& points) { return points.read(listed); }, agreed);
}

std::optional<BatchResult<UndoReport>> SyncModel::undo(const std::string& reason,
                                                       std::function<StoredSnapshot(const SnapshotHistory&)> read,
                                                       bool agreed) {
  if (isDryRun_ || batch_->progress()->isRunning()) return std::nullopt;
  // A stored point is a file like a backup, and like a backup it never writes AmberLoom's own
  // preferences or those of every application: such entries go back as values that cannot be put
  // back, and the outcome says so.
  const auto [batch, pointRead] = batch_->progress()->run(
      localized("Undoing: %@…", {QString::fromStdString(reason)}),
      [service = service_, read = std::move(read), verifier = verifier_,
       history = agreed ? snapshots_.allowingBatchesWithoutPoint() : snapshots_] {
        StoredSnapshot point;
        try {
          point = read(history);
        } catch (const UndoPointReadError& error) {
          BatchResult<UndoReport> unread;
          unread.report.failure = error.what();
          return std::pair(std::move(unread), false);
        }
        return std::pair(service.undo(point, *verifier, history), true);
      });
  if (!pointRead) {
    // Nothing was written; the list shows what the folder holds now.
    setLastError(guided::incompleteUndo(batch.report));
    setHistory(snapshots_.list());
    return batch;
  }
  if (batch.heldBack) return batch;
  const UndoReport& report = batch.report;
  if (report.isComplete())
    clearLastError();
  else
    setLastError(guided::incompleteUndo(report));
  setHistory(snapshots_.list());
  refreshRows();  // at once, also when the refresh cannot reach the server
  refresh();
  announce(batch.change);
  return batch;
}

void SyncModel::announce(const Change& change) {
  if (notice_) notice_->announce(change, this);
}

void SyncModel::setAccount(std::optional<std::string> email) {
  if (accountKnown_ && email == account_) return;
  const bool leaving = accountKnown_ && account_;
  const bool entering = accountKnown_ && email;
  accountKnown_ = true;
  account_ = std::move(email);
  if (leaving) {
    ++signOuts_;
    if (!others_.empty() || !sharedAt_.empty() || !entryNames_.empty()) {
      others_.clear();
      sources_.clear();
      sharedAt_.clear();
      entryNames_.clear();
      emit othersChanged();
    }
    if (!unreadable_.empty()) {
      unreadable_.clear();
      emit unreadableChanged();
    }
    if (report_) {
      report_.reset();
      emit reportChanged();
    }
    setSelectedDeviceID(std::nullopt);
  }
  if (entering) refresh();
}

// ---- small operations ----

void SyncModel::selectAll() {
  std::set<std::string> ids;
  for (const auto& row : actionableRows())
    if (!cautions_.contains(row.settingID)) ids.insert(row.settingID);
  setSelectedIDs(std::move(ids));
}

void SyncModel::clearSelection() { setSelectedIDs({}); }

void SyncModel::setTicked(const QString& settingID, bool ticked) {
  auto ids = selectedIDs_;
  const auto caution = cautions_.find(settingID.toStdString());
  if (ticked && caution != cautions_.end() && caution->second.blocksCopy()) return;
  if (ticked)
    ids.insert(settingID.toStdString());
  else
    ids.erase(settingID.toStdString());
  setSelectedIDs(std::move(ids));
}

void SyncModel::togglePin(const QString& settingID) {
  const std::string id = settingID.toStdString();
  if (!pinned_.erase(id)) {
    pinned_.insert(id);
    if (selectedIDs_.erase(id)) emit selectedIDsChanged();
  }
  emit pinnedChanged();
  remember([this](UserDefaults& defaults) { PinnedSettings::save(pinned_, defaults); });
  refreshRows();
}

void SyncModel::reportProblem(const QString& sentence) { setLastError(sentence.toStdString()); }

void SyncModel::refreshHistory() { setHistory(snapshots_.list()); }

// ---- for QML ----

QStringList SyncModel::unreadableList() const {
  QStringList names;
  for (const auto& name : unreadable_) names << macName(name);
  return names;
}

QVariantMap SyncModel::reportRow() const {
  if (!report_) return {};
  const auto text = synctexts::report(*report_);
  return {{QStringLiteral("summary"), text.summary},
          {QStringLiteral("hasFailures"), text.hasFailures},
          {QStringLiteral("failures"), text.failures},
          {QStringLiteral("restartLine"), text.restartLine}};
}

QAbstractItemModel* SyncModel::macList() const { return macs_; }
QAbstractItemModel* SyncModel::differenceList() const { return differences_; }

}  // namespace amberloom::ui
