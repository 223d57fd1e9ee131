#include "Changes/SnapshotService.hpp"

#include "Platform/Steps.hpp"
#include "Preferences/NightShiftClient.hpp"

#include <exception>

namespace amberloom {

SnapshotRestoreError::SnapshotRestoreError(Case c, SettingRef ref)
    : DescribedError(describe::enumCase(
          c == Case::channelUnavailable ? "channelUnavailable" : c == Case::writeRefused ? "writeRefused" : "valueUnknown",
          {{std::nullopt, ref.description()}})),
      case_(c), ref_(std::move(ref)) {}

namespace {

std::optional<PreferenceValue> nightShiftValue(const SettingRef& ref) {
  if (ref.path.empty() || ref.path.back() != "enabled") return std::nullopt;
  const auto client = NightShiftClient::create();
  if (!client) return std::nullopt;
  if (const auto enabled = client->isEnabled()) return PreferenceValue::boolean(*enabled);
  return std::nullopt;
}

void restoreNightShift(const SnapshotEntry& entry) {
  const auto client = NightShiftClient::create();
  if (!client) throw SnapshotRestoreError::channelUnavailable(entry.ref);
  if (entry.rootValue && entry.rootValue->kind() == PreferenceValue::Kind::boolean && entry.ref.path.back() == "enabled") {
    if (!client->setEnabled(entry.rootValue->asBool())) throw SnapshotRestoreError::writeRefused(entry.ref);
    return;
  }
  throw SnapshotRestoreError::valueUnknown(entry.ref);
}

}  // namespace

Snapshot SnapshotService::capture(const std::vector<SettingRef>& refs) const {
  std::vector<std::pair<SettingRef, SettingChannel>> items;
  items.reserve(refs.size());
  for (const auto& ref : refs) items.emplace_back(ref, SettingChannel::defaults);
  return capture(items);
}

Snapshot SnapshotService::capture(const std::vector<std::pair<SettingRef, SettingChannel>>& items) const {
  Snapshot snapshot;
  std::vector<std::size_t> read;  // the entries read from a domain's file
  std::vector<ResolvedDomain> domains;
  for (const auto& [ref, channel] : items) {
    if (ref.path.empty()) continue;
    snapshot.entries.push_back(SnapshotEntry{ref, std::nullopt, channel, false});
    if (channel == SettingChannel::nightShift) {
      platform::step("capture", ref.domain);
      snapshot.entries.back().rootValue = nightShiftValue(ref);
      continue;
    }
    read.push_back(snapshot.entries.size() - 1);
    domains.push_back(resolver_.resolve(ref.domain, ref.byHost));
  }
  // Each domain looked at once for all its keys: one consistent reading of its file.
  for (const auto& [domain, members] : groupByDomain(domains)) {
    platform::step("capture", snapshot.entries[read[members.front()]].ref.domain);
    std::vector<std::string> keys;
    keys.reserve(members.size());
    for (const auto m : members) keys.push_back(snapshot.entries[read[m]].ref.path.front());
    auto values = store_->readKeys(keys, domain);
    for (std::size_t k = 0; k < members.size(); ++k) {
      SnapshotEntry& entry = snapshot.entries[read[members[k]]];
      entry.rootValue = std::move(values[k]);
      // A key whose file cannot be read is not known to be absent: an undo must leave it alone.
      if (!entry.rootValue) entry.isUnreadable = mayHoldUnreadable(*store_, keys[k], domain);
    }
  }
  return snapshot;
}

void SnapshotService::restore(const Snapshot& snapshot) const {
  // One entry that cannot be written must not leave the later ones changed: every entry is tried,
  // and the first failure in snapshot order is thrown at the end.
  const auto& entries = snapshot.entries;
  std::vector<std::exception_ptr> failures(entries.size());
  std::optional<SnapshotRestoreError> heldUnknown;
  std::vector<std::size_t> writing;
  std::vector<RootKey> roots;
  std::vector<std::optional<PreferenceValue>> values;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& entry = entries[i];
    if (entry.ref.path.empty()) continue;
    if (entry.channel == SettingChannel::nightShift) {
      try {
        restoreNightShift(entry);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    } else if (entry.isUnreadable) {
      if (!heldUnknown) heldUnknown = SnapshotRestoreError::valueUnknown(entry.ref);
    } else {
      writing.push_back(i);
      roots.push_back({resolver_.resolve(entry.ref.domain, entry.ref.byHost), entry.ref.path.front()});
      values.push_back(entry.rootValue);
    }
  }
  const auto written = writeRoots(*store_, roots, values);
  for (std::size_t j = 0; j < writing.size(); ++j) failures[writing[j]] = written[j];
  for (const auto& failure : failures)
    if (failure) std::rethrow_exception(failure);
  if (heldUnknown) throw *heldUnknown;
}

}  // namespace amberloom
