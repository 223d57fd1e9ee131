#include "Changes/WriteReport.hpp"

#include <algorithm>
#include <unordered_set>

#include "Preferences/NightShiftVerifier.hpp"

namespace amberloom {

std::size_t WriteReport::appliedCount() const {
  return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.applied; }));
}

std::vector<WriteOutcome> WriteReport::failed() const {
  std::vector<WriteOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result), [](const auto& o) { return !o.applied; });
  return result;
}

std::size_t UndoReport::restoredCount() const {
  return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.restored; }));
}

std::vector<UndoOutcome> UndoReport::failed() const {
  std::vector<UndoOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result),
               [](const auto& o) { return !o.restored && !o.valueUnknown; });
  return result;
}

std::vector<UndoOutcome> UndoReport::unknownValues() const {
  std::vector<UndoOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result), [](const auto& o) { return o.valueUnknown; });
  return result;
}

namespace {

std::string errorText(const std::exception& error) { return error.what(); }

// The ref of the undo entry that holds a setting: its root key, or a Night Shift setting whole.
SettingRef undoRefOf(const SettingDefinition& setting) {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift) return ref;
  return SettingRef{ref.domain, {ref.path.front()}, ref.byHost};
}

}  // namespace

bool matchesFromOutside(const std::optional<PreferenceValue>& seen, const std::optional<PreferenceValue>& wanted,
                        const ExternalPreferenceReader& reader, const ResolvedDomain& domain) {
  if (!seen && !wanted) return reader.canRead(domain);
  if (!seen || !wanted) return false;
  return *seen == *wanted;
}

std::optional<PreferenceValue> stateLeftBy(const SettingDefinition& setting, const std::optional<PreferenceValue>& value) {
  if (!value && setting.channel == SettingChannel::nightShift) return PreferenceValue::boolean(false);
  return value;
}

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

WriteReport PreferenceApplier::apply(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                                     std::vector<std::string> alreadyMatching,
                                     std::vector<std::string> skippedPinned) const {
  // One undo entry per root key (Night Shift settings whole), captured before any write.
  std::vector<std::pair<SettingRef, SettingChannel>> undoRefs;
  ExactRefSet taken;
  for (const auto& item : items) {
    if (item.setting.ref.path.empty()) continue;
    SettingRef undoRef = undoRefOf(item.setting);
    if (taken.insert(undoRef).second) undoRefs.emplace_back(std::move(undoRef), item.setting.channel);
  }

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

  for (const auto& [setting, value] : items) {
    try {
      if (value)
        service_.apply(*value, setting);
      else
        service_.reset(setting);
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
    std::optional<std::string> reason;
    if (!confirmed) reason = value ? kWrittenButNotVisible : kRemovedButStillVisible;
    report.outcomes.push_back({setting.id, confirmed, reason});
    if (confirmed && intents_) intents_->record(setting.id, expected);

    for (const auto& app : setting.restartsApps)
      if (std::find(report.restartTargets.begin(), report.restartTargets.end(), app) == report.restartTargets.end())
        report.restartTargets.push_back(app);
  }
  return report;
}

UndoReport PreferenceApplier::undo(const Snapshot& snapshot, const std::vector<SettingDefinition>& forgetting,
                                   const ExternalPreferenceReader& reader,
                                   const std::optional<std::vector<PriorIntent>>& priorIntents) const {
  UndoReport report;
  try {
    snapshots_.restore(snapshot);
  } catch (const std::exception& error) {
    report.failure = errorText(error);
  }

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
    const auto domain = resolver_.resolve(entry.ref.domain, entry.ref.byHost);
    const auto seen = reader.read(entry.ref.path.front(), domain);
    report.outcomes.push_back({entry.ref, matchesFromOutside(seen, entry.rootValue, reader, domain), false});
  }

  if (!intents_) return report;
  // The batch recorded only its own settings: their records as they were are the whole way back,
  // except where the value did not go back (then the batch's record still says what is there).
  if (priorIntents) {
    std::vector<PriorIntent> back;
    for (const auto& prior : *priorIntents) {
      const auto setting = std::find_if(forgetting.begin(), forgetting.end(),
                                        [&](const SettingDefinition& s) { return s.id == prior.settingID; });
      const bool stayed = setting != forgetting.end() && !setting->ref.path.empty() &&
                          std::any_of(report.outcomes.begin(), report.outcomes.end(), [&](const UndoOutcome& o) {
                            return !o.restored && SettingRef::ExactEqual{}(o.ref, undoRefOf(*setting));
                          });
      if (!stayed) back.push_back(prior);
    }
    intents_->putBack(back);
    return report;
  }
  // Only after the restore is it known which recorded choices the undo really took back.
  for (const auto& setting : forgetting) {
    const auto recorded = intents_->intent(setting.id);
    if (recorded && recorded->value != service_.currentValue(setting)) intents_->forget(setting.id);
  }
  return report;
}

}  // namespace amberloom
