#pragma once
// The application's own preferences ("hasCompletedFirstRun", "lastSelectedGroup",
// "sync.serverRevision", "pinnedSettingIDs", ...): one small seam, so that every service and model
// that keeps a preference can be handed its own store in a test. The live implementation keeps
// them in the same preference files as everything else, domain "tv.winterbrae.amberloom". Any
// thread, several at once (the server-sync queues store the revision from a worker).

#include <cstdint>
#include <functional>
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
  // stored; the earlier value is then kept. The live store leaves its file alone when the key
  // already holds that very value (same kind and content).
  virtual void set(const std::optional<PreferenceValue>& value, const std::string& key) = 0;

  // Typed reads, converting as the platform's own reads do, since other programs (`defaults
  // write ... -int 1`, management profiles) store these keys too. A Boolean: a number is true unless
  // 0; a text is true for "YES" and "true", false for "NO" and "false" (any case), else true when it
  // starts with a whole number other than 0. An integer: a real is cut to its whole part, a Boolean
  // is 1 or 0, a text gives the whole number it starts with. Anything else reads as none.
  std::optional<bool> boolValue(const std::string& key) const;
  std::optional<std::int64_t> integerValue(const std::string& key) const;
  // A text; any other kind reads as none.
  std::optional<std::string> stringValue(const std::string& key) const;
  // An array of strings; an array holding anything else reads as none.
  std::optional<std::vector<std::string>> stringArray(const std::string& key) const;
  // The strings of an array, in order, anything else in it left out; none when it is no array.
  std::optional<std::vector<std::string>> stringsOfArray(const std::string& key) const;

  // Typed writes; each throws as `set` does.
  void setBool(bool value, const std::string& key);
  void setInteger(std::int64_t value, const std::string& key);
  void setString(const std::string& value, const std::string& key);
  void setStringArray(const std::vector<std::string>& value, const std::string& key);
  void remove(const std::string& key) { set(std::nullopt, key); }
};

using UserDefaultsRef = std::shared_ptr<UserDefaults>;

// The application's preferences in a preference store: top-level keys of the domain
// "tv.winterbrae.amberloom", any host. The file is the application's own, so one that cannot be
// read never locks the user out: a write it refuses has `moveUnreadableAside` keep the bad file
// under another name and starts a fresh one.
class StoreUserDefaults : public UserDefaults {
 public:
  static constexpr const char* applicationDomain = "tv.winterbrae.amberloom";

  // `moveUnreadableAside` moves the domain's file away when it cannot be read and says whether it
  // did; without one, such a write fails as the store's does. `domain` is the application's unless
  // a small store of the application's own is kept apart from its preferences.
  explicit StoreUserDefaults(PreferenceStoreRef store, std::function<bool()> moveUnreadableAside = {},
                             std::string domain = applicationDomain)
      : store_(std::move(store)), moveUnreadableAside_(std::move(moveUnreadableAside)), domain_(std::move(domain)) {}
  // Over the live preference files of the running user.
  static UserDefaultsRef standard();

  std::optional<PreferenceValue> value(const std::string& key) const override;
  void set(const std::optional<PreferenceValue>& value, const std::string& key) override;

 private:
  PreferenceStoreRef store_;
  std::function<bool()> moveUnreadableAside_;
  std::string domain_;
};

}  // namespace amberloom
