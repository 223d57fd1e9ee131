#include "Changes/PreferenceApplier.hpp"

#include <algorithm>
#include <exception>
#include <string_view>
#include <unordered_map>

#include "Preferences/NightShiftVerifier.hpp"
#include "Support/Log.hpp"
#include "Support/Repeats.hpp"

namespace amberloom {

namespace {

std::string errorText(const std::exception& error) { return error.what(); }

// Changes the history after writes that stand whether or not it is stored: a batch goes on, and
// says `failure` in the log, when the history cannot be saved (its settings may then show on the
// repair screen as changed by something else).
template <class Change>
void changeHistory(const char* failure, Change change) noexcept {
  try {
    change();
  } catch (...) {
    log::dropped(log::Area::changes, failure);
  }
}

constexpr const char* kNotRecorded = "Settings written and confirmed are missing from the change history";
constexpr const char* kNotPutBack = "Settings taken back keep their batch's records in the change history";

// The ref of the undo entry that holds a setting: its root key, or a Night Shift setting whole.
SettingRef undoRefOf(const SettingDefinition& setting) {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift) return ref;
  return SettingRef{ref.domain, {ref.path.front()}, ref.byHost};
}

}  // namespace

std::optional<PreferenceValue> PreferenceApplier::externalValue(const std::vector<std::string>& path,
                                                                const ResolvedDomain& domain,
                                                                const ExternalPreferenceReader& reader) const {
  if (path.empty()) return std::nullopt;
  return valueAlongPath(reader.read(path.front(), domain), path);
}

std::optional<PreferenceValue> PreferenceApplier::externalValue(const SettingDefinition& setting,
                                                                const ExternalPreferenceReader& reader) const {
  if (setting.channel == SettingChannel::nightShift) return nightShiftValueFromOutside(setting.ref);
  return externalValue(setting.ref.path, resolver_.resolve(setting.ref.domain, setting.ref.byHost), reader);
}

namespace {

void addRestartTargets(std::vector<std::string>& targets, const SettingDefinition& setting) {
  for (const auto& app : setting.restartsApps)
    if (std::find(targets.begin(), targets.end(), app) == targets.end()) targets.push_back(app);
}

// The outcome of a write that did not throw, from what another process sees.
WriteOutcome outcomeOf(const SettingDefinition& setting, const std::optional<PreferenceValue>& value, bool confirmed) {
  if (confirmed) return {setting.id, true, std::nullopt};
  return {setting.id, false, std::string(value ? kWrittenButNotVisible : kRemovedButStillVisible)};
}

bool isDefaultsWithPath(const SettingDefinition& setting) {
  return setting.channel != SettingChannel::nightShift && !setting.ref.path.empty();
}

}  // namespace

WriteReport PreferenceApplier::begin(const std::vector<BatchItem>& items, std::vector<std::string> alreadyMatching,
                                     std::vector<std::string> skippedPinned) const {
  // One undo entry per root key (Night Shift settings whole), captured before any write.
  std::vector<std::pair<SettingRef, SettingChannel>> undoRefs;
  undoRefs.reserve(items.size());
  for (const auto& item : items)
    if (!item.setting.ref.path.empty()) undoRefs.emplace_back(undoRefOf(item.setting), item.setting.channel);
  const auto repeats = repeatsOfEarlier(
      undoRefs.size(), [&](std::size_t i) { return SettingRef::ExactHash{}(undoRefs[i].first); },
      [&](std::size_t i, std::size_t j) { return SettingRef::ExactEqual{}(undoRefs[i].first, undoRefs[j].first); });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < undoRefs.size(); ++i) {
    if (repeats[i]) continue;
    if (kept != i) undoRefs[kept] = std::move(undoRefs[i]);
    ++kept;
  }
  undoRefs.resize(kept);

  WriteReport report;
  report.undo = snapshots_.capture(undoRefs);
  report.alreadyMatching = std::move(alreadyMatching);
  report.skippedPinned = std::move(skippedPinned);
  if (intents_) {
    std::vector<std::string> ids;
    ids.reserve(items.size());
    for (const auto& item : items) ids.push_back(item.setting.id);
    report.priorIntents = intents_->records(ids);
  }
  return report;
}

WriteReport PreferenceApplier::apply(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                                     std::vector<std::string> alreadyMatching,
                                     std::vector<std::string> skippedPinned) const {
  WriteReport report = begin(items, std::move(alreadyMatching), std::move(skippedPinned));
  write(items, reader, report);
  return report;
}

PreferenceApplier PreferenceApplier::forOneBatch() const {
  const DomainResolver resolver = resolver_.rememberingContainers();
  return PreferenceApplier(SettingsService(resolver, service_.store(), service_.isDryRun()), resolver,
                           SnapshotService(snapshots_.store(), resolver), intents_);
}

bool PreferenceApplier::write(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                              WriteReport& begun) const {
  std::vector<RootKey> roots;
  for (const auto& [setting, value] : items)
    if (isDefaultsWithPath(setting))
      roots.push_back({service_.resolver().resolve(setting.ref.domain, setting.ref.byHost), setting.ref.path.front()});
  // A root written twice is merged into, or read back, between its writes: only the order of
  // the items gives each its outcome.
  return rootsRepeat(roots) ? writeInOrder(items, reader, begun) : writeByDomain(items, reader, begun, std::move(roots));
}

WriteReport PreferenceApplier::applyInOrder(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                                            std::vector<std::string> alreadyMatching,
                                            std::vector<std::string> skippedPinned) const {
  WriteReport report = begin(items, std::move(alreadyMatching), std::move(skippedPinned));
  writeInOrder(items, reader, report);
  return report;
}

bool PreferenceApplier::writeInOrder(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                                     WriteReport& report) const {
  bool wrote = false;  // what each write made of its root is not known here: any write counts
  for (const auto& [setting, value] : items) {
    try {
      if (value)
        service_.apply(*value, setting);
      else
        service_.reset(setting);
      wrote = true;
    } catch (const std::exception& error) {
      report.outcomes.push_back({setting.id, false, errorText(error)});
      continue;
    }

    // A Night Shift reset turns it off: confirmed only when the second run answers "off", and
    // recorded as off, so that the repair scan does not take it for a change made behind our back.
    const auto seen = externalValue(setting, reader);
    const auto expected = stateLeftBy(setting, value);
    const bool confirmed =
        matchesFromOutside(seen, expected, reader, resolver_.resolve(setting.ref.domain, setting.ref.byHost));
    report.outcomes.push_back(outcomeOf(setting, value, confirmed));
    // The identifier is captured by name: not every compiler takes a structured binding into a lambda.
    if (confirmed && intents_)
      changeHistory(kNotRecorded, [&, &id = setting.id] { intents_->record(id, expected); });
    addRestartTargets(report.restartTargets, setting);
  }
  return wrote;
}

// What writeByDomain knows of each item as it goes.
struct PreferenceApplier::ByDomain {
  const std::vector<BatchItem>& items;
  std::vector<std::optional<std::string>> failures;  // the text of what a write threw
  std::vector<std::optional<PreferenceValue>> seen;  // from outside
  std::vector<bool> readable;                        // the domain could be read from outside
  std::vector<std::size_t> planned;                  // the items written through their domain's file
  std::vector<RootKey> roots;                        // of each planned item, each domain resolved once
  bool changed = false;                              // some root may hold something else now

  explicit ByDomain(const std::vector<BatchItem>& all)
      : items(all), failures(all.size()), seen(all.size()), readable(all.size(), true) {}
};

bool PreferenceApplier::writeByDomain(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                                      WriteReport& report, std::vector<RootKey> roots) const {
  ByDomain batch(items);
  batch.roots = std::move(roots);
  plan(batch, reader);
  writeDomains(batch);
  readBack(batch, reader);
  this->report(batch, report);
  return batch.changed;
}

void PreferenceApplier::plan(ByDomain& batch, const ExternalPreferenceReader& reader) const {
  // Night Shift has no file of its own: each of its items is written and read back as in order.
  // Every other item is planned from its root as the store holds it now.
  for (std::size_t i = 0; i < batch.items.size(); ++i) {
    const auto& [setting, value] = batch.items[i];
    try {
      if (setting.channel == SettingChannel::nightShift) {
        if (value)
          service_.apply(*value, setting);
        else
          service_.reset(setting);
        batch.changed = batch.changed || !service_.isDryRun();
        batch.seen[i] = externalValue(setting, reader);
      } else if (setting.ref.path.empty()) {
        rootWrite(setting, value, std::nullopt, false);  // throws what writing it would
      } else {
        batch.planned.push_back(i);  // its root is the next of batch.roots
      }
    } catch (const std::exception& error) {
      batch.failures[i] = errorText(error);
    }
  }
}

void PreferenceApplier::writeDomains(ByDomain& batch) const {
  const auto& store = service_.store();
  const auto* probe = dynamic_cast<const PreferenceKeyProbing*>(store.get());
  std::vector<ResolvedDomain> domains;
  domains.reserve(batch.roots.size());
  for (const auto& root : batch.roots) domains.push_back(root.domain);
  for (const auto& [domain, members] : groupByDomain(domains)) {
    std::vector<std::string> keys;
    for (const auto j : members) keys.push_back(batch.items[batch.planned[j]].setting.ref.path.front());
    const auto roots = store->readKeys(keys, domain);
    std::vector<KeyWrite> writes;
    std::vector<std::size_t> writers;  // the item behind each write
    std::vector<bool> changes;         // whether each write gives its root another value
    for (std::size_t k = 0; k < members.size(); ++k) {
      const std::size_t i = batch.planned[members[k]];
      const auto& [setting, value] = batch.items[i];
      try {
        const bool exists = value && !roots[k] && setting.ref.path.size() > 1 && probe && probe->keyExists(keys[k], domain);
        if (auto write = rootWrite(setting, value, roots[k], exists)) {
          // Removing a key that reads as none changes it only when it held something unreadable.
          changes.push_back(write->value != roots[k] || (!roots[k] && probe && probe->keyExists(keys[k], domain)));
          writes.push_back(std::move(*write));
          writers.push_back(i);
        }
      } catch (const std::exception& error) {
        batch.failures[i] = errorText(error);
      }
    }
    const auto errors = store->writeKeys(writes, domain);
    for (std::size_t w = 0; w < writes.size(); ++w) {
      if (!errors[w]) {
        batch.changed = batch.changed || changes[w];
        continue;
      }
      try {
        std::rethrow_exception(errors[w]);
      } catch (const std::exception& error) {
        batch.failures[writers[w]] = errorText(error);
      }
    }
  }
}

void PreferenceApplier::readBack(ByDomain& batch, const ExternalPreferenceReader& reader) const {
  // Every root is written before any is read back: no item shares its root with another.
  std::vector<std::size_t> reading;
  std::vector<RootKey> roots;
  for (std::size_t j = 0; j < batch.planned.size(); ++j) {
    const std::size_t i = batch.planned[j];
    if (batch.failures[i]) continue;
    reading.push_back(i);
    roots.push_back(batch.roots[j]);
  }
  const auto outside = readFromOutside(reader, roots);
  for (std::size_t r = 0; r < reading.size(); ++r) {
    const std::size_t i = reading[r];
    batch.seen[i] = valueAlongPath(outside[r].value, batch.items[i].setting.ref.path);
    batch.readable[i] = outside[r].domainReadable;
  }
}

void PreferenceApplier::report(const ByDomain& batch, WriteReport& report) const {
  std::vector<std::pair<std::string, std::optional<PreferenceValue>>> confirmedChoices;
  for (std::size_t i = 0; i < batch.items.size(); ++i) {
    const auto& [setting, value] = batch.items[i];
    if (batch.failures[i]) {
      report.outcomes.push_back({setting.id, false, batch.failures[i]});
      continue;
    }
    const auto expected = stateLeftBy(setting, value);
    const bool confirmed = matchesFromOutside(batch.seen[i], expected, batch.readable[i]);
    report.outcomes.push_back(outcomeOf(setting, value, confirmed));
    if (confirmed) confirmedChoices.emplace_back(setting.id, expected);
    addRestartTargets(report.restartTargets, setting);
  }
  if (intents_) changeHistory(kNotRecorded, [&] { intents_->record(confirmedChoices); });
}

UndoReport PreferenceApplier::undo(const Snapshot& snapshot, const std::vector<SettingDefinition>& forgetting,
                                   const ExternalPreferenceReader& reader,
                                   const std::optional<std::vector<PriorIntent>>& priorIntents) const {
  UndoReport report = restore(snapshot, reader);
  takeBackHistory(report, forgetting, priorIntents);
  return report;
}

UndoReport PreferenceApplier::restore(const Snapshot& snapshot, const ExternalPreferenceReader& reader) const {
  UndoReport report;
  try {
    snapshots_.restore(snapshot);
  } catch (const std::exception& error) {
    report.failure = errorText(error);
  }

  // Every entry is written before any is read back, so each domain is read once for all of them.
  std::vector<RootKey> roots;
  for (const auto& entry : snapshot.entries)
    if (!entry.ref.path.empty() && entry.channel != SettingChannel::nightShift && !entry.isUnreadable)
      roots.push_back({resolver_.resolve(entry.ref.domain, entry.ref.byHost), entry.ref.path.front()});
  const auto outside = readFromOutside(reader, roots);
  std::size_t next = 0;
  for (const auto& entry : snapshot.entries) {
    if (entry.ref.path.empty()) continue;
    if (entry.channel == SettingChannel::nightShift) {
      const auto enabled = NightShiftVerifier::forCurrentExecutable().enabledFromSeparateProcess();
      const bool restored = enabled && entry.rootValue && PreferenceValue::boolean(*enabled) == *entry.rootValue;
      report.outcomes.push_back({entry.ref, restored, false});
      continue;
    }
    if (entry.isUnreadable) {
      report.outcomes.push_back({entry.ref, false, true});
      continue;
    }
    const auto& seen = outside[next++];
    report.outcomes.push_back({entry.ref, matchesFromOutside(seen.value, entry.rootValue, seen.domainReadable), false});
  }

  return report;
}

void PreferenceApplier::takeBackHistory(const UndoReport& restored, const std::vector<SettingDefinition>& forgetting,
                                        const std::optional<std::vector<PriorIntent>>& priorIntents) const {
  if (!intents_) return;
  // The batch recorded only its own settings: their records as they were are the whole way back,
  // except where the value did not go back (then the batch's record still says what is there).
  if (priorIntents) {
    // Looked up, not searched: a point of a thousand settings would otherwise compare each record
    // with every setting and every outcome.
    ExactRefSet notRestored;
    for (const auto& outcome : restored.outcomes)
      if (!outcome.restored) notRestored.insert(outcome.ref);
    std::unordered_map<std::string_view, const SettingDefinition*> byID;
    for (const auto& setting : forgetting) byID.try_emplace(setting.id, &setting);  // the first of an id
    std::vector<PriorIntent> back;
    for (const auto& prior : *priorIntents) {
      const auto found = byID.find(prior.settingID);
      const bool stayed = found != byID.end() && !found->second->ref.path.empty() && !notRestored.empty() &&
                          notRestored.contains(undoRefOf(*found->second));
      if (!stayed) back.push_back(prior);
    }
    changeHistory(kNotPutBack, [&] { intents_->putBack(back); });
    return;
  }
  // Only after the restore is it known which recorded choices the undo really took back.
  for (const auto& setting : forgetting) {
    const auto recorded = intents_->intent(setting.id);
    if (recorded && recorded->value != service_.currentValue(setting))
      changeHistory(kNotPutBack, [&] { intents_->forget(setting.id); });
  }
}

}  // namespace amberloom
