#pragma once
// What the first-run scan found on this Mac (see PersonalisationScanner), and the wizard's route
// it picks.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace amberloom {

enum class FirstRunRoute { restore, discover, backUpWhatYouHave, compare };

struct PersonalisationScan {
  static constexpr std::size_t personalisedThreshold = 2;

  std::vector<std::string> customisedIDs;  // scanned settings with a value here, catalogue order
  std::vector<std::string> deliberateIDs;  // those not written by the system, catalogue order
  std::size_t scannedCount = 0;            // settings that apply to this macOS and app version
  std::map<std::string, int> customisedByGroup;  // group ID -> customised settings; no zero counts
  bool hasBackup = false;             // any backup file, this Mac's own included
  bool hasOtherMacsBackup = false;    // a backup file of another Mac
  // Scanned settings whose domain's file cannot be read, catalogue order: neither set nor unset.
  std::vector<std::string> unreadableIDs;
  std::vector<std::string> unreadableDomains;  // their domains, in order of first appearance

  std::size_t customisedCount() const { return customisedIDs.size(); }
  std::size_t unreadableCount() const { return unreadableIDs.size(); }
  std::size_t deliberateCount() const { return deliberateIDs.size(); }
  bool isPersonalised() const { return deliberateCount() >= personalisedThreshold; }
  // Personalised with another Mac's backup: compare (this Mac's own backup is no second set of
  // settings); personalised without: back up what you have; otherwise restore when there is any
  // backup (this Mac's own too: an erased Mac gets its settings back), discover when there is none.
  FirstRunRoute route() const;

  bool operator==(const PersonalisationScan&) const = default;
};

}  // namespace amberloom
