#pragma once
// The least a restore of a backup can do, in the restore's own order: each preference file it
// touches parsed and durably replaced, then each read once from outside, then Night Shift's second
// run for its state.

#include <map>
#include <utility>

#include "Backup/BackupEnvelope.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/NightShiftVerifier.hpp"

namespace amberloom::bench {

class RestoreFloor {
 public:
  RestoreFloor(const BackupEnvelope& backup, const DomainResolver& resolver, const ExternalVerifier& outside)
      : outside_(outside) {
    for (const auto& entry : backup.snapshot.entries) {
      if (!entry.rootValue) continue;
      if (entry.channel == SettingChannel::nightShift) {
        nightShift_ = true;
        continue;
      }
      const auto domain = resolver.resolve(entry.ref.domain, entry.ref.byHost);
      touched_.emplace(std::pair(domain.applicationID, domain.hostScope), domain);
    }
  }

  std::size_t files() const { return touched_.size(); }
  bool touchesNightShift() const { return nightShift_; }

  void run() const {
    for (const auto& [key, domain] : touched_) replace(domain);
    if (nightShift_) replace({"com.apple.CoreBrightness", HostScope::anyHost});
    for (const auto& [key, domain] : touched_) outside_.readKeys({}, domain);
    if (nightShift_) NightShiftVerifier::forCurrentExecutable().enabledFromSeparateProcess();
  }

 private:
  void replace(const ResolvedDomain& domain) const {
    const bool currentHost = domain.hostScope == HostScope::currentHost;
    const auto dictionary = files_.readDomain(domain.applicationID, currentHost);
    platform::writeFileAtomically(
        *files_.filePath(domain.applicationID, currentHost),
        platform::binaryPropertyList(platform::PlistObject(dictionary.value_or(platform::PlistDictionary{}))));
  }

  const ExternalVerifier& outside_;
  const platform::PreferenceFiles files_ = platform::PreferenceFiles::live();
  std::map<std::pair<std::string, HostScope>, ResolvedDomain> touched_;
  bool nightShift_ = false;
};

}  // namespace amberloom::bench
