#include "Preferences/PreferenceFileLocator.hpp"

#include <filesystem>

#include "Platform/HomeDirectory.hpp"

namespace amberloom {

PreferenceFileLocator PreferenceFileLocator::live() {
  return PreferenceFileLocator{platform::homeDirectory(), [](const std::string& directory) {
                                 std::vector<std::string> names;
                                 std::error_code ec;
                                 for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
                                      it.increment(ec))
                                   names.push_back(it->path().filename().string());
                                 return names;
                               }};
}

std::string PreferenceFileLocator::path(const ResolvedDomain& domain) const {
  const std::string name = domain.applicationID == kAnyApplication ? ".GlobalPreferences" : domain.applicationID;
  if (!name.empty() && name.front() == '/') return name + ".plist";
  if (domain.hostScope == HostScope::anyHost) return homeDirectory + "/Library/Preferences/" + name + ".plist";
  const std::string folder = homeDirectory + "/Library/Preferences/ByHost";
  const std::string prefix = name + ".";
  if (filesInDirectory) {
    for (const auto& entry : filesInDirectory(folder)) {
      // The host part between the prefix and ".plist" holds at least one character: in
      // "name.plist" the two would share the dot.
      if (entry.size() > prefix.size() + 6 && entry.starts_with(prefix) && entry.ends_with(".plist"))
        return folder + "/" + entry;
    }
  }
  return folder + "/" + name + ".<makine>.plist";
}

}  // namespace amberloom
