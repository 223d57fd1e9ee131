#include "Preferences/DomainResolver.hpp"

#include <filesystem>

#include "Platform/HomeDirectory.hpp"

namespace amberloom {

DomainResolver DomainResolver::live() {
  const std::string home = platform::homeDirectory();
  return DomainResolver{home, [home](const std::string& domain) {
                          std::error_code ec;
                          return std::filesystem::exists(
                              home + "/Library/Containers/" + domain + "/Data/Library/Preferences", ec);
                        }};
}

ResolvedDomain DomainResolver::resolve(const std::string& domain, bool byHost) const {
  const HostScope scope = byHost ? HostScope::currentHost : HostScope::anyHost;
  if (domain == "NSGlobalDomain") return {kAnyApplication, scope};
  if (containerExists && containerExists(domain))
    return {homeDirectory + "/Library/Containers/" + domain + "/Data/Library/Preferences/" + domain, scope};
  return {domain, scope};
}

}  // namespace amberloom
