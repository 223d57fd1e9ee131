#include "Sync/SyncRowCaution.hpp"

#include "Changes/SettingsService.hpp"

namespace amberloom {

namespace {

using Reason = SyncRowCaution::Reason;

bool isPlainControl(const SettingDefinition& setting) {
  switch (setting.control.kind()) {
    case SettingControl::Kind::toggle:
      return setting.type == SettingValueType::boolean || setting.type == SettingValueType::integer;
    case SettingControl::Kind::choice:
    case SettingControl::Kind::slider: return true;
    case SettingControl::Kind::text:
    case SettingControl::Kind::color:
    case SettingControl::Kind::folder:
    case SettingControl::Kind::unsupported: break;
  }
  return false;
}

std::optional<SyncRowCaution> decided(const SyncRow& row, const DecisionsHere& here) {
  if (here.historyLost) return SyncRowCaution{Reason::historyLost, {}};
  if (here.hold)
    return SyncRowCaution{here.hold->why == SettingHold::Why::declined ? Reason::declinedHere : Reason::takenBack,
                          here.hold->at};
  if (!here.latest) return std::nullopt;
  // Putting a setting back is a choice, whatever the other Mac holds.
  if (!here.latest->value) return SyncRowCaution{Reason::resetHere, here.latest->at};
  // The value chosen here (since gone, by macOS or another app) coming back is that choice itself.
  if (here.latest->value == row.incomingValue()) return std::nullopt;
  return SyncRowCaution{Reason::chosenHere, here.latest->at};
}

}  // namespace

bool SyncRowCaution::offered(const PreferenceValue& value, const SettingDefinition& setting) {
  if (!isPlainControl(setting) || !valueFits(value, setting.type)) return false;
  if (setting.control.kind() == SettingControl::Kind::toggle)
    return value.kind() == PreferenceValue::Kind::boolean || value.asInt() == 0 || value.asInt() == 1;
  return setting.control.accepts(value);
}

std::optional<SyncRowCaution> SyncRowCaution::of(const SyncRow& row, const SettingDefinition* setting,
                                                 const DecisionsHere& here) {
  const auto& incoming = row.incomingValue();
  if (!incoming) return std::nullopt;  // nothing would come over
  if (!setting) return SyncRowCaution{Reason::unknownHere, {}};
  if (setting->risk == SettingRisk::weakensSecurity) return SyncRowCaution{Reason::weakensSecurity, {}};
  if (setting->systemWritten) return SyncRowCaution{Reason::systemWritten, {}};
  if (!valueFits(*incoming, setting->type)) return SyncRowCaution{Reason::wrongKind, {}};
  if (!isPlainControl(*setting)) return SyncRowCaution{Reason::notPlain, {}};
  if (setting->asksBeforeSync) return SyncRowCaution{Reason::asksFirst, {}};
  if (!offered(*incoming, *setting)) return SyncRowCaution{Reason::notOffered, {}};
  if (row.difference.kind() != SyncDifference::Case::onlyThere) return std::nullopt;
  return decided(row, here);
}

bool SyncRowCaution::mayCopyUnattended(const SyncRow& row, const SettingDefinition* setting, const DecisionsHere& here) {
  return !row.pinnedToThisMac && row.difference.kind() == SyncDifference::Case::onlyThere &&
         !of(row, setting, here);
}

}  // namespace amberloom
