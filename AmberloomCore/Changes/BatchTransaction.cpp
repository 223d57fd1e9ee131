#include "Changes/BatchTransaction.hpp"

#include <algorithm>
#include <cctype>
#include <exception>
#include <string_view>

#include "Platform/PreferenceFiles.hpp"
#include "Platform/Steps.hpp"
#include "Preferences/UserDefaults.hpp"

namespace amberloom {

namespace {

constexpr const char* kUntilQuit = " Undo works while this window is open, but not after you quit.";

std::size_t unreadableEntries(const Snapshot& snapshot) {
  return static_cast<std::size_t>(
      std::count_if(snapshot.entries.begin(), snapshot.entries.end(), [](const auto& e) { return e.isUnreadable; }));
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

void BatchTransaction::storeAhead(std::optional<WayBack>& wayBack, std::optional<std::string>& noPoint,
                                  const Snapshot& before, std::vector<PriorIntent> priors,
                                  const std::string& reason) const {
  platform::step("batch: captured");
  if (before.entries.empty()) return;
  const double now = undoPoints_ ? undoPoints_->now() : iso8601::now();
  wayBack = WayBack{StoredSnapshot{{}, reason, now, before, std::move(priors)}, 0};
  if (!undoPoints_) return;
  try {
    const auto stored = undoPoints_->store(before, reason, now, wayBack->point.priorIntents);
    wayBack->point.id = stored.id;
    wayBack->valuesLeftOut = unreadableEntries(stored.snapshot) - unreadableEntries(before);
    platform::step("batch: undo point stored");
  } catch (const std::exception& error) {
    noPoint = error.what();
  }
}

void BatchTransaction::settle(std::optional<WayBack>& wayBack) const {
  platform::step("batch: written");
  if (!wayBack) return;
  const Snapshot& before = wayBack->point.snapshot;
  std::vector<std::pair<SettingRef, SettingChannel>> captured;
  for (const auto& entry : before.entries) captured.emplace_back(entry.ref, entry.channel);
  // Every root holds what it held: there is nothing to go back to, and a stored point must not
  // push out one that has something. One that cannot be removed stays as it is: it is harmless.
  if (applier_.snapshots().capture(captured) == before) {
    if (!wayBack->onDisk() || undoPoints_->remove(wayBack->point)) wayBack.reset();
    return;
  }
  if (wayBack->onDisk()) undoPoints_->prune(wayBack->point);
}

BatchResult<WriteReport> BatchTransaction::write(const std::vector<BatchItem>& items, const std::string& reason,
                                                 const ExternalPreferenceReader& reader,
                                                 std::vector<std::string> alreadyMatching,
                                                 std::vector<std::string> skippedPinned) const {
  BatchResult<WriteReport> result;
  result.report = applier_.begin(items, std::move(alreadyMatching), std::move(skippedPinned));
  storeAhead(result.wayBack, result.noPoint, result.report.undo, result.report.priorIntents, reason);
  applier_.write(items, reader, result.report);
  settle(result.wayBack);
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
  return run<UndoReport>(rootsWritten(allowed), settingIDs, takeBackReason(point.reason), [&](const Snapshot&) {
    UndoReport report = applier_.restore(allowed, reader);
    applier_.takeBackHistory(report, forgetting, point.priorIntents);
    return report;
  });
}

}  // namespace amberloom
