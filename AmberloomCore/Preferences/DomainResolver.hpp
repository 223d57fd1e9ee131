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

  // The same resolver, asking `containerExists` once per domain and keeping the answer: for work
  // as short as one batch, during which an app's container does not come or go, and which
  // resolves each of its domains many times (capture, write, read-back). Copies share what is
  // kept; any thread.
  DomainResolver rememberingContainers() const;
};

}  // namespace amberloom
