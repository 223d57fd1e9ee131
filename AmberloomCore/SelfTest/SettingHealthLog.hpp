#pragma once
// An in-memory record of the settings seen not to take effect on a macOS version.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Preferences/Version.hpp"

namespace amberloom {

// Which settings were seen not to work on which macOS version, keyed by the version's text, so 14.4
// and 14.4.0 are different keys. Not thread-safe: one owner, one thread at a time. It never touches
// a file: the owner stores encoded() and restores with fromData().
class SettingHealthLog {
 public:
  SettingHealthLog() = default;
  SettingHealthLog(const SettingHealthLog&) = delete;  // one record, shared by reference
  SettingHealthLog& operator=(const SettingHealthLog&) = delete;
  SettingHealthLog(SettingHealthLog&&) = default;
  SettingHealthLog& operator=(SettingHealthLog&&) = default;

  // [{"os": "14.4", "settingID": "..."}, ...]; other members ignored, repeated keys collapse.
  // Throws DecodingError for anything else.
  static SettingHealthLog fromData(std::string_view data);

  // A success forgets the (setting, version) key; a failure records it.
  void record(const std::string& settingID, const Version& os, bool succeeded);
  bool isKnownBroken(const std::string& settingID, const Version& os) const;
  // Each setting with at least one failure, once, in ascending order.
  std::vector<std::string> brokenSettingIDs() const;
  // Compact JSON array, sorted by setting id; "[]" when empty.
  std::string encoded() const;

 private:
  struct Key {
    std::string settingID;
    std::string os;
    auto operator<=>(const Key&) const = default;
  };
  std::set<Key> broken_;
};

}  // namespace amberloom
