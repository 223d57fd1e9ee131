#pragma once
// Application preferences kept in memory, for tests that must not touch the preference files.

#include <map>

#include "Preferences/UserDefaults.hpp"

namespace amberloom::testing {

class MemoryUserDefaults : public UserDefaults {
 public:
  std::optional<PreferenceValue> value(const std::string& key) const override {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  void set(const std::optional<PreferenceValue>& value, const std::string& key) override {
    if (value)
      values_.insert_or_assign(key, *value);
    else
      values_.erase(key);
  }

 private:
  std::map<std::string, PreferenceValue> values_;
};

}  // namespace amberloom::testing
