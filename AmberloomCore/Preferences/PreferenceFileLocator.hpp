#pragma once
// Names the property-list file on disk behind a resolved domain, for reports that point at the
// file itself.

#include <functional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"

namespace amberloom {

struct PreferenceFileLocator {
  std::string homeDirectory;
  std::function<std::vector<std::string>(const std::string& directory)> filesInDirectory;  // entry names

  // The running user's home; an unlistable folder lists nothing.
  static PreferenceFileLocator live();

  // The file's absolute path. A current-host file is the first ByHost entry, in listing order,
  // named "<name>." ... ".plist"; with none, the name with the placeholder "<makine>" for the host.
  std::string path(const ResolvedDomain& domain) const;
};

}  // namespace amberloom
