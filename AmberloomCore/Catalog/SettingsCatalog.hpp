#pragma once
// The settings catalogue: every known setting with where its value lives, the kind of value it
// takes, how it is edited, which apps restart after a change, the macOS and app versions it
// applies to, and the texts and flags the screens show. Loaded from JSON and validated whole: a
// faulty file gives an error, never a partial catalogue. Never changed after it is built.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Catalog/SettingControl.hpp"
#include "Catalog/SettingDefinition.hpp"
#include "Catalog/SettingList.hpp"
#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingValueType.hpp"
#include "Preferences/Version.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

struct Snapshot;

class CatalogError : public DescribedError {
 public:
  enum class Case { unsupportedSchemaVersion, emptyPath, unknownValueType, duplicateSettingID, unknownFieldValue,
                    controlCharacter };

  static CatalogError unsupportedSchemaVersion(std::int64_t found, std::int64_t supported);
  static CatalogError emptyPath(std::string settingID);
  static CatalogError unknownValueType(std::string settingID, std::string type);
  static CatalogError duplicateSettingID(std::string settingID);
  static CatalogError unknownFieldValue(std::string settingID, std::string field, std::string value);
  // An id, domain or label holding a control character (a line break would escape the comment
  // lines of an exported script).
  static CatalogError controlCharacter(std::string settingID, std::string field);

  Case errorCase() const { return case_; }
  const std::string& settingID() const { return settingID_; }
  bool operator==(const CatalogError& other) const { return description() == other.description(); }

 private:
  CatalogError(Case c, std::string settingID, const std::string& description)
      : DescribedError(description), case_(c), settingID_(std::move(settingID)) {}
  Case case_;
  std::string settingID_;
};

class SettingsCatalog {
 public:
  static constexpr std::int64_t supportedSchemaVersion = 1;

  SettingsCatalog(std::int64_t schemaVersion, std::int64_t catalogVersion, std::vector<SettingDefinition> settings);

  // The built-in "catalog" resource. Throws what loading the resource or the bytes throws.
  static SettingsCatalog bundled();
  // Validates a catalogue file. Throws DecodingError, ControlError or CatalogError; the first
  // fault wins: decoding, then the schema version, then the first faulty setting in file order.
  static SettingsCatalog fromData(std::string_view bytes);

  std::int64_t schemaVersion() const { return schemaVersion_; }
  std::int64_t catalogVersion() const { return catalogVersion_; }
  const std::vector<SettingDefinition>& settings() const { return *settings_; }
  // Every setting, in catalogue order, as a list that shares the definitions with this catalogue
  // (and its copies) instead of copying them: for lists kept as long as the window.
  SettingList sharedSettings() const { return SettingList(settings_); }

  // The first setting with this id (canonically equal), found through an index: a scan of a long
  // change history looks up every record's setting.
  const SettingDefinition* setting(const std::string& id) const;
  // The settings allowed for this macOS and app version, in catalogue order.
  std::vector<SettingDefinition> settings(const Version& os, const Version& app) const;
  // The ids of the settings whose root key (by-host flag, domain, first path element) the
  // snapshot captured, in catalogue order.
  std::vector<std::string> settingIDs(const Snapshot& touchedBy) const;
  // The same settings as whole definitions, which an undo needs to compare values.
  std::vector<SettingDefinition> settings(const Snapshot& touchedBy) const;

 private:
  std::int64_t schemaVersion_;
  std::int64_t catalogVersion_;
  // Never changed once made, so copies share it: every service keeps a copy of the catalogue, and
  // copying thousands of definitions into each would weigh on the start.
  std::shared_ptr<const std::vector<SettingDefinition>> settings_;
  // Each id's canonical form to its first setting's place in `settings_`; shared as it is.
  std::shared_ptr<const std::unordered_map<std::string, std::size_t>> byID_;
};

}  // namespace amberloom
