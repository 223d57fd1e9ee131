#pragma once
// The application's own preferences ("hasCompletedFirstRun", "lastSelectedGroup",
// "sync.serverRevision", "pinnedSettingIDs", ...): one small seam, so that every service and model
// that keeps a preference can be handed its own store in a test. The live implementation keeps
// them in the same preference files as everything else, domain "tv.winterbrae.amberloom".

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Preferences/PreferenceStore.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

class UserDefaults {
 public:
  virtual ~UserDefaults() = default;

  // The value under `key`, or none. Never throws: an unreadable file reads as none.
  virtual std::optional<PreferenceValue> value(const std::string& key) const = 0;
  // Stores `value` under `key`; none removes the key. Throws the store's error when it cannot be
  // stored; the earlier value is then kept.
  virtual void set(const std::optional<PreferenceValue>& value, const std::string& key) = 0;

  // Typed reads: a value of another kind reads as none, never as a converted value.
  std::optional<bool> boolValue(const std::string& key) const;
  std::optional<std::int64_t> integerValue(const std::string& key) const;
  std::optional<std::string> stringValue(const std::string& key) const;
  // An array of strings; an array holding anything else reads as none.
  std::optional<std::vector<std::string>> stringArray(const std::string& key) const;

  // Typed writes; each throws as `set` does.
  void setBool(bool value, const std::string& key);
  void setInteger(std::int64_t value, const std::string& key);
  void setString(const std::string& value, const std::string& key);
  void setStringArray(const std::vector<std::string>& value, const std::string& key);
  void remove(const std::string& key) { set(std::nullopt, key); }
};

using UserDefaultsRef = std::shared_ptr<UserDefaults>;

// The application's preferences in a preference store: top-level keys of the domain
// "tv.winterbrae.amberloom", any host.
class StoreUserDefaults : public UserDefaults {
 public:
  static constexpr const char* applicationDomain = "tv.winterbrae.amberloom";

  explicit StoreUserDefaults(PreferenceStoreRef store) : store_(std::move(store)) {}
  // Over the live preference files of the running user.
  static UserDefaultsRef standard();

  std::optional<PreferenceValue> value(const std::string& key) const override;
  void set(const std::optional<PreferenceValue>& value, const std::string& key) override;

 private:
  PreferenceStoreRef store_;
};

}  // namespace amberloom
