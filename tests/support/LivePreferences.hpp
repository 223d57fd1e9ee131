#pragma once
// Catalogue entries in one line, and the real preference files of the temporary home with the
// `defaults` command reading them back, for tests that write settings.

#include <memory>
#include <optional>
#include <string>

#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "TestHome.hpp"

namespace amberloom::testing {

// A defaults setting `id` at `ref`, labelled `label` (the id when empty).
inline SettingDefinition makeSetting(std::string id, SettingRef ref, SettingValueType type = SettingValueType::boolean,
                                     SettingControl control = SettingControl::unsupported(), std::string label = {}) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = std::move(ref);
  definition.type = type;
  definition.label = label.empty() ? definition.id : std::move(label);
  definition.control = std::move(control);
  return definition;
}

// ~/Library/Application Support/AmberLoom/<name>
inline std::string supportFile(const std::string& name) {
  return home() + "/Library/Application Support/AmberLoom/" + name;
}

// The live store and resolver of this home, and `defaults` as the outside reader.
struct LivePreferences {
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
  ExternalVerifier outside{defaultsPath()};

  void put(const std::string& domain, const std::string& key, const std::optional<PreferenceValue>& value,
           bool byHost = false) const {
    store->write(value, key, resolver.resolve(domain, byHost));
  }
  // What the `defaults` command reads for `key`.
  std::optional<PreferenceValue> seen(const std::string& domain, const std::string& key, bool byHost = false) const {
    return outside.read(key, resolver.resolve(domain, byHost));
  }
};

}  // namespace amberloom::testing
