#include "Preferences/DomainResolver.hpp"

#include <filesystem>
#include <memory>
#include <mutex>
#include <unordered_map>

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

DomainResolver DomainResolver::rememberingContainers() const {
  if (!containerExists) return *this;
  struct Kept {
    std::mutex mutex;
    std::unordered_map<std::string, bool> containers;
  };
  return DomainResolver{homeDirectory, [ask = containerExists, kept = std::make_shared<Kept>()](const std::string& domain) {
                          {
                            const std::lock_guard lock(kept->mutex);
                            if (const auto found = kept->containers.find(domain); found != kept->containers.end())
                              return found->second;
                          }
                          const bool exists = ask(domain);
                          const std::lock_guard lock(kept->mutex);
                          kept->containers.emplace(domain, exists);
                          return exists;
                        }};
}

}  // namespace amberloom
