#pragma once
// Turns a setting's domain and by-host flag into what the preference store expects: the global
// domain becomes the any-application id, a sandboxed app its container's preference path, and
// anything else stays the plain domain.

#include <functional>
#include <string>

namespace amberloom {

enum class HostScope { anyHost, currentHost };

// The any-application identifier the global domain resolves to.
inline constexpr const char* kAnyApplication = "kCFPreferencesAnyApplication";

struct ResolvedDomain {
  std::string applicationID;  // plain domain, container preference path (no ".plist"), or kAnyApplication
  HostScope hostScope = HostScope::anyHost;
  bool operator==(const ResolvedDomain&) const = default;
};

struct DomainResolver {
  std::string homeDirectory;                                  // no trailing "/"
  std::function<bool(const std::string& domain)> containerExists;  // the app has a sandbox container

  // The running user's home; a container counts when its Data/Library/Preferences exists.
  static DomainResolver live();

  // Never fails: "NSGlobalDomain" (exact case) is the any-application id; a domain with a
  // container is <home>/Library/Containers/<domain>/Data/Library/Preferences/<domain>; anything
  // else stays as it is. The by-host flag picks the host scope in every case.
  ResolvedDomain resolve(const std::string& domain, bool byHost) const;
};

}  // namespace amberloom
