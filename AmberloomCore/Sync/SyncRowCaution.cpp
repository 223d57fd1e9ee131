#include "Sync/SyncRowCaution.hpp"

#include "Changes/SettingsService.hpp"

namespace amberloom {

std::optional<SyncRowCaution> SyncRowCaution::of(const SyncRow& row, const SettingDefinition* setting,
                                                 const std::optional<RecordedIntent>& latestHere,
                                                 std::optional<double> sharedAt) {
  if (!row.incomingValue()) return std::nullopt;  // nothing would come over
  if (setting && setting->risk == SettingRisk::weakensSecurity) return SyncRowCaution{Reason::weakensSecurity, {}};
  if (setting && setting->systemWritten) return SyncRowCaution{Reason::systemWritten, {}};
  if (setting && !valueFits(*row.incomingValue(), setting->type))
    return SyncRowCaution{Reason::wrongKind, {}};
  if (row.difference.kind() != SyncDifference::Case::onlyThere || !latestHere) return std::nullopt;
  // A reset stands however new the other Mac's value is: putting a setting back is a choice.
  if (!latestHere->value) return SyncRowCaution{Reason::resetHere, latestHere->at};
  // A value chosen here (since gone, by macOS or another app) gives way only to a newer one; the
  // same value coming back is that choice itself.
  if (latestHere->value == row.incomingValue()) return std::nullopt;
  if (!sharedAt || latestHere->at >= *sharedAt) return SyncRowCaution{Reason::chosenHere, latestHere->at};
  return std::nullopt;
}

}  // namespace amberloom
