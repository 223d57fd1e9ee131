#include "Preferences/PinnedSettings.hpp"

#include <vector>

namespace amberloom::PinnedSettings {

std::set<std::string> load(const UserDefaults& defaults) {
  auto stored = defaults.stringArray(defaultsKey);
  if (!stored) return {};
  return {stored->begin(), stored->end()};
}

void save(const std::set<std::string>& ids, UserDefaults& defaults) {
  // A std::set iterates in byte order, which is code-point order for UTF-8.
  defaults.setStringArray(std::vector<std::string>(ids.begin(), ids.end()), defaultsKey);
}

}  // namespace amberloom::PinnedSettings
