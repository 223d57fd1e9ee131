#include "Changes/BatchTransaction.hpp"

#include <algorithm>
#include <cctype>
#include <exception>
#include <string_view>
#include <unordered_map>

#include "Changes/InterruptedBatches.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/Steps.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Support/Log.hpp"

namespace amberloom {

namespace {

constexpr const char* kUntilQuit = " Undo works while this window is open, but not after you quit.";

std::size_t unreadableEntries(const Snapshot& snapshot) {
  return static_cast<std::size_t>(
      std::count_if(snapshot.entries.begin(), snapshot.entries.end(), [](const auto& e) { return e.isUnreadable; }));
}

// The ref of the root an entry writes: its root key, or a Night Shift entry whole.
SettingRef rootOf(const SnapshotEntry& entry) {
  if (entry.channel == SettingChannel::nightShift) return entry.ref;
  return SettingRef{entry.ref.domain, {entry.ref.path.front()}, entry.ref.byHost};
}

// What an undo of `snapshot` writes: each readable entry's root, as capture takes it.
std::vector<std::pair<SettingRef, SettingChannel>> rootsWritten(const Snapshot& snapshot) {
  std::vector<std::pair<SettingRef, SettingChannel>> roots;
  ExactRefSet taken;
  for (const auto& entry : snapshot.entries)
    if (!entry.ref.path.empty() && !entry.isUnreadable && taken.insert(entry.ref).second)
      roots.emplace_back(entry.ref, entry.channel);
  return roots;
}

}  // namespace

std::optional<std::string> undoPointText(const std::optional<std::string>& noPoint, std::size_t valuesLeftOut,
                                         bool undoInMemory) {
  if (noPoint) return "The undo point could not be saved to disk (" + *noPoint + ")." + (undoInMemory ? kUntilQuit : "");
  if (valuesLeftOut == 0) return std::nullopt;
  return "The undo point saved to disk leaves out " + std::to_string(valuesLeftOut) +
         " settings whose values cannot be saved in it: taking it back from the list leaves them as they are." +
         (undoInMemory ? " Undo here still puts them back while this window is open." : "");
}

bool batchMayWrite(const std::string& domain) {
  const auto sameLetters = [&](std::string_view name) {
    return std::equal(domain.begin(), domain.end(), name.begin(), name.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
  };
  return !sameLetters(StoreUserDefaults::applicationDomain) && !sameLetters(platform::kAnyApplicationID);
}

Snapshot withoutForbiddenWrites(Snapshot snapshot) {
  for (auto& entry : snapshot.entries) {
    if (batchMayWrite(entry.ref.domain)) continue;
    entry.rootValue.reset();
    entry.isUnreadable = true;
  }
  return snapshot;
}

std::string takeBackReason(const std::string& reasonTakenBack) {
  constexpr std::string_view before = "Before ", takingBack = "Before taking back: ";
  // Taking back the state before an undo does the batch again: the state before it is the one
  // before that batch.
  if (reasonTakenBack.starts_with(takingBack)) return std::string(before) + reasonTakenBack.substr(takingBack.size());
  if (reasonTakenBack.starts_with(before)) return std::string(takingBack) + reasonTakenBack.substr(before.size());
  return std::string(takingBack) + reasonTakenBack;
}

// Taking a batch back is the user's decision on every setting it touches: each is held against
// other Macs' values before the first write, so that a take-back cut off half-way holds them too.
void holdTakenBack(const std::optional<IntentLog>& intents, const std::vector<std::string>& settingIDs) {
  if (!intents) return;
  try {
    intents->held().hold(settingIDs, SettingHold::Why::tookBack);
  } catch (const HistoryWriteError& error) {
    log::warning(log::Area::changes, std::string("A take-back goes on unheld: ") + error.what());
  }
}

bool changesAnyRoot(const Snapshot& before, const Snapshot& writing) {
  std::unordered_map<SettingRef, const SnapshotEntry*, SettingRef::ExactHash, SettingRef::ExactEqual> held;
  for (const auto& entry : before.entries) held.emplace(entry.ref, &entry);
  return std::any_of(writing.entries.begin(), writing.entries.end(), [&](const SnapshotEntry& entry) {
    if (entry.ref.path.empty() || entry.isUnreadable) return false;  // a restore writes nothing for it
    const auto found = held.find(rootOf(entry));
    return found == held.end() || found->second->isUnreadable || found->second->rootValue != entry.rootValue;
  });
}

void BatchTransaction::clearEmptyInterrupted(const PreferenceApplier& applier) const {
  if (undoPoints_) InterruptedBatches(*undoPoints_, applier.snapshots()).find();
}

BatchTransaction::Ahead BatchTransaction::storeAhead(const Snapshot& before, std::vector<PriorIntent> priors,
                                                     const std::string& reason) const {
  platform::step("batch: captured");
  Ahead ahead;
  if (before.entries.empty()) return ahead;
  const double now = undoPoints_ ? undoPoints_->now() : iso8601::now();
  ahead.wayBack = WayBack{StoredSnapshot{{}, reason, now, before, std::move(priors)}, 0};
  if (!undoPoints_) return ahead;
  try {
    ahead.pending = undoPoints_->storeAhead(before, reason, now, ahead.wayBack->point.priorIntents);
    const StoredSnapshot& stored = ahead.pending->point();
    ahead.wayBack->point.id = stored.id;
    ahead.wayBack->valuesLeftOut = unreadableEntries(stored.snapshot) - unreadableEntries(before);
    platform::step("batch: undo point stored");
  } catch (const std::exception& error) {
    ahead.noPoint = error.what();
    if (!undoPoints_->allowsBatchesWithoutPoint()) {
      log::warning(log::Area::changes, "A batch wrote nothing: its undo point could not be stored (" +
                                           std::string(error.what()) + ")");
      ahead.wayBack.reset();
      ahead.heldBack = true;
    }
  }
  return ahead;
}

void BatchTransaction::settle(Ahead& ahead, bool changedAnything) const {
  platform::step("batch: written");
  if (!ahead.wayBack) return;
  if (!changedAnything) {
    // There is nothing to go back to, and a stored point must not push out one that has
    // something. One that cannot be removed stays in progress: the next start finds that the
    // files hold what it holds, and removes it.
    if (!ahead.pending || undoPoints_->discard(*ahead.pending)) ahead.wayBack.reset();
    return;
  }
  if (!ahead.pending) return;
  undoPoints_->settle(*ahead.pending);
  platform::step("batch: settled");
  undoPoints_->prune(ahead.wayBack->point);
}

void BatchTransaction::settleByRereading(Ahead& ahead, const PreferenceApplier& applier, const Snapshot& before) const {
  if (!ahead.wayBack) return settle(ahead, true);
  // What the write meant to change is no proof that it did: a refused file or a failing rename
  // writes nothing, and a point kept for it would push a real one out.
  std::vector<std::pair<SettingRef, SettingChannel>> roots;
  roots.reserve(before.entries.size());
  for (const auto& entry : before.entries) roots.emplace_back(entry.ref, entry.channel);
  settle(ahead, applier.snapshots().capture(roots) != before);
}

BatchResult<WriteReport> BatchTransaction::write(const std::vector<BatchItem>& items, const std::string& reason,
                                                 const ExternalPreferenceReader& reader,
                                                 std::vector<std::string> alreadyMatching,
                                                 std::vector<std::string> skippedPinned) const {
  BatchResult<WriteReport> result;
  const PreferenceApplier applier = applier_.forOneBatch();
  clearEmptyInterrupted(applier);
  result.report = applier.begin(items, std::move(alreadyMatching), std::move(skippedPinned));
  Ahead ahead = storeAhead(result.report.undo, result.report.priorIntents, reason);
  if (!ahead.heldBack) {
    const bool changed = applier.write(items, reader, result.report);
    settle(ahead, changed);
  }
  takeWayBack(result, ahead);
  result.change = Change::of(result.report.undo, result.report.restartTargets, result.wayBack && result.wayBack->onDisk());
  return result;
}

BatchResult<UndoReport> BatchTransaction::takeBack(const StoredSnapshot& point,
                                                   const std::vector<SettingDefinition>& forgetting,
                                                   const ExternalPreferenceReader& reader) const {
  const Snapshot allowed = withoutForbiddenWrites(point.snapshot);
  std::vector<std::string> settingIDs;
  for (const auto& setting : forgetting) settingIDs.push_back(setting.id);
  if (point.priorIntents)
    for (const auto& prior : *point.priorIntents) settingIDs.push_back(prior.settingID);

  BatchResult<UndoReport> result;
  const PreferenceApplier applier = applier_.forOneBatch();
  clearEmptyInterrupted(applier);
  const Snapshot before = applier.snapshots().capture(rootsWritten(allowed));
  const auto& intents = applier.intents();
  Ahead ahead = storeAhead(before, intents ? intents->records(settingIDs) : std::vector<PriorIntent>{},
                           takeBackReason(point.reason));
  if (!ahead.heldBack) {
    holdTakenBack(intents, settingIDs);
    result.report = applier.restore(allowed, reader);
    applier.takeBackHistory(result.report, forgetting, point.priorIntents);
    changesAnyRoot(before, allowed) ? settleByRereading(ahead, applier, before) : settle(ahead, false);
  }
  takeWayBack(result, ahead);
  result.change = Change::of(before, {}, result.wayBack && result.wayBack->onDisk());
  return result;
}

}  // namespace amberloom
