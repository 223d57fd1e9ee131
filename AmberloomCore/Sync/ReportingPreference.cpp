#include "Sync/ReportingPreference.hpp"

namespace amberloom {

bool ReportingPreference::isEnabled(const UserDefaults& defaults) noexcept { return defaults.boolValue(defaultsKey).value_or(true); }

void ReportingPreference::set(bool enabled, UserDefaults& defaults) { defaults.setBool(enabled, defaultsKey); }

}  // namespace amberloom
