#pragma once
// Confirms writes from outside the process: a write counts only when another process sees it.
// `ExternalVerifier` runs the `defaults` command as a child, lets it export the whole domain as a
// property list and picks the key out of it. Nothing is cached: every call runs the command. A
// command that has not finished within the wait limit is killed and counts as a failed read.

#include <chrono>
#include <optional>
#include <string>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

class ExternalPreferenceReader {
 public:
  virtual ~ExternalPreferenceReader() = default;
  // A top-level key as another process sees it; none on any failure. Never throws.
  virtual std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const = 0;
  // Whether this reader can read the domain at all.
  virtual bool canRead(const ResolvedDomain&) const { return true; }
};

class ExternalVerifier : public ExternalPreferenceReader {
 public:
  // Long enough for any healthy export, short enough that a stalled command does not hang the caller.
  static constexpr std::chrono::milliseconds defaultWaitLimit{10000};

  explicit ExternalVerifier(std::string defaultsPath, std::chrono::milliseconds waitLimit = defaultWaitLimit)
      : defaultsPath_(std::move(defaultsPath)), waitLimit_(waitLimit) {}

  const std::string& defaultsPath() const { return defaultsPath_; }

  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override;
  // True when the export of the domain succeeds.
  bool canRead(const ResolvedDomain& domain) const override;
  // True when `read` gives a value equal to `expected`.
  bool confirm(const std::string& key, const ResolvedDomain& domain, const PreferenceValue& expected) const;

 private:
  std::string defaultsPath_;
  std::chrono::milliseconds waitLimit_;
};

}  // namespace amberloom
