#pragma once
// Confirms writes from outside the process: a write counts only when another process sees it.
// `ExternalVerifier` runs the `defaults` command as a child, lets it export the whole domain as a
// property list and picks the key out of it. Nothing is cached: every call runs the command. A
// command that has not finished within the wait limit is killed and counts as a failed read.
// Readers are called from workers, several at once; the live one keeps nothing between calls.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/ExternalPreferenceReader.hpp"
#include "Preferences/PreferenceStore.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

// A root key as another process sees it.
struct SeenRoot {
  std::optional<PreferenceValue> value;
  bool domainReadable = false;  // the reader could read its domain at all
};

// Every root key, from one readKeys per domain.
std::vector<SeenRoot> readFromOutside(const ExternalPreferenceReader& reader, const std::vector<RootKey>& roots);

class ExternalVerifier : public ExternalPreferenceReader {
 public:
  // Long enough for any healthy export, short enough that a stalled command does not hang the caller.
  static constexpr std::chrono::milliseconds defaultWaitLimit{10000};
  // What a read-back may take unless a verifier is given its own limit: the default, or what the
  // environment sets (Support/WaitLimit.hpp).
  static std::chrono::milliseconds standardWaitLimit();

  explicit ExternalVerifier(std::string defaultsPath, std::chrono::milliseconds waitLimit = standardWaitLimit())
      : defaultsPath_(std::move(defaultsPath)), waitLimit_(waitLimit) {}

  const std::string& defaultsPath() const { return defaultsPath_; }

  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override;
  // True when the export of the domain succeeds.
  bool canRead(const ResolvedDomain& domain) const override;
  // One export for every key.
  DomainReading readKeys(const std::vector<std::string>& keys, const ResolvedDomain& domain) const override;
  // True when `read` gives a value equal to `expected`.
  bool confirm(const std::string& key, const ResolvedDomain& domain, const PreferenceValue& expected) const;

 private:
  std::string defaultsPath_;
  std::chrono::milliseconds waitLimit_;
};

}  // namespace amberloom
