#pragma once
// The icon of a settings group, a text category or a setting-id prefix: a symbol name from one
// fixed table shared by the three lookups (a group id also works as a prefix and the other way
// round). Keys match exactly: case counts, nothing is trimmed or cut at a full stop. None fails.

#include <optional>
#include <string>

#include "Catalog/SettingGroup.hpp"

namespace amberloom::ui::GroupSymbol {

// The symbol of the group's id, else "slider.horizontal.3".
std::string name(const SettingGroup& group);
// The symbol of `category`, else (also for none) "slider.horizontal.3".
std::string nameForCategory(const std::optional<std::string>& category);
// The symbol of `prefix`, else "app.dashed". The caller cuts a setting id at its first ".".
std::string nameForPrefix(const std::string& prefix);

}  // namespace amberloom::ui::GroupSymbol
