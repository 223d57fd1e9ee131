#pragma once
// What a batch write reports (each setting's outcome, the apps to restart, the state before it),
// and how a write is confirmed from outside. The batch writer itself is PreferenceApplier; an undo
// reports an UndoReport.

#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/Snapshot.hpp"
#include "Changes/UndoReport.hpp"
#include "Preferences/ExternalVerifier.hpp"

namespace amberloom {

struct WriteOutcome {
  std::string settingID;
  bool applied = false;  // written and seen from outside
  std::optional<std::string> failureReason;
  bool operator==(const WriteOutcome&) const = default;
};

struct WriteReport {
  std::vector<WriteOutcome> outcomes;        // one per item, in batch order
  std::vector<std::string> restartTargets;   // each app once, in order of first appearance
  Snapshot undo;                             // the state before the batch
  std::vector<std::string> alreadyMatching;  // carried unchanged
  std::vector<std::string> skippedPinned;    // carried unchanged
  // The change-history records of the batch's settings before it (none without a history): what
  // taking the batch back puts back.
  std::vector<PriorIntent> priorIntents;

  std::size_t appliedCount() const;
  std::vector<WriteOutcome> failed() const;
  std::size_t total() const { return outcomes.size(); }
  bool operator==(const WriteReport&) const = default;
};

// The read-back texts of a write or reset that another process does not see.
inline constexpr const char* kWrittenButNotVisible = "yazildi ama disaridan gorunmuyor";
inline constexpr const char* kRemovedButStillVisible = "silindi ama disaridan hala gorunuyor";

// Whether another process sees the wanted state (`seen` is what it read), dates compared to the
// whole second, as far as the outside reader carries them. Both absent counts only when the
// reader can read the domain at all: an unreadable domain confirms no removal.
bool matchesFromOutside(const std::optional<PreferenceValue>& seen, const std::optional<PreferenceValue>& wanted,
                        const ExternalPreferenceReader& reader, const ResolvedDomain& domain);
// The same, where whether the domain could be read is known already.
bool matchesFromOutside(const std::optional<PreferenceValue>& seen, const std::optional<PreferenceValue>& wanted,
                        bool domainReadable);

// The state a write leaves, as another process should see it and the change history records it:
// the value written, or for a reset nothing at all, except Night Shift, which a reset switches off.
std::optional<PreferenceValue> stateLeftBy(const SettingDefinition& setting, const std::optional<PreferenceValue>& value);

}  // namespace amberloom
