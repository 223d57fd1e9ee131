#include "Catalog/SettingsCatalog.hpp"

#include <unordered_set>

#include "Preferences/BundledResource.hpp"
#include "Preferences/NightShiftClient.hpp"
#include "Catalog/RawCatalog.hpp"
#include "Support/CanonicalText.hpp"
#include "Changes/SnapshotService.hpp"

namespace amberloom {

// ---- availability and definitions ----

bool SettingAvailability::allows(const Version& os, const Version& app) const {
  if (osMin && os < *osMin) return false;
  if (osMax && *osMax < os) return false;
  if (minAppVersion && app < *minAppVersion) return false;
  for (const auto& broken : brokenOn)
    if (os.isWithin(broken)) return false;
  return true;
}

bool SettingDefinition::isUsableOnThisMac() const {
  return channel == SettingChannel::defaults || NightShiftClient::isAvailable();
}

// ---- errors ----

namespace {
describe::Field idField(const std::string& id) { return {"settingID", describe::text(id)}; }
}  // namespace

CatalogError CatalogError::unsupportedSchemaVersion(std::int64_t found, std::int64_t supported) {
  return CatalogError(Case::unsupportedSchemaVersion, "",
                      describe::enumCase("unsupportedSchemaVersion", {{"found", describe::integer(found)},
                                                                      {"supported", describe::integer(supported)}}));
}
CatalogError CatalogError::emptyPath(std::string settingID) {
  const auto text = describe::enumCase("emptyPath", {idField(settingID)});
  return CatalogError(Case::emptyPath, std::move(settingID), text);
}
CatalogError CatalogError::unknownValueType(std::string settingID, std::string type) {
  const auto text = describe::enumCase("unknownValueType", {idField(settingID), {"type", describe::text(type)}});
  return CatalogError(Case::unknownValueType, std::move(settingID), text);
}
CatalogError CatalogError::duplicateSettingID(std::string settingID) {
  const auto text = describe::enumCase("duplicateSettingID", {{std::nullopt, describe::text(settingID)}});
  return CatalogError(Case::duplicateSettingID, std::move(settingID), text);
}
CatalogError CatalogError::unknownFieldValue(std::string settingID, std::string field, std::string value) {
  const auto text = describe::enumCase(
      "unknownFieldValue", {idField(settingID), {"field", describe::text(field)}, {"value", describe::text(value)}});
  return CatalogError(Case::unknownFieldValue, std::move(settingID), text);
}
CatalogError CatalogError::controlCharacter(std::string settingID, std::string field) {
  const auto text = describe::enumCase("controlCharacter", {idField(settingID), {"field", describe::text(field)}});
  return CatalogError(Case::controlCharacter, std::move(settingID), text);
}

// ---- loading ----

namespace {

bool hasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

template <typename Enum>
Enum fieldValue(const std::optional<std::string>& raw, Enum absent, std::optional<Enum> (*parse)(std::string_view),
                const std::string& settingID, const char* field) {
  if (!raw) return absent;
  if (auto value = parse(*raw)) return *value;
  throw CatalogError::unknownFieldValue(settingID, field, *raw);
}

SettingDefinition validate(RawSetting raw, std::unordered_set<std::string>& seen) {
  if (raw.path.empty()) throw CatalogError::emptyPath(raw.id);
  const auto type = settingValueType(raw.type);
  if (!type) throw CatalogError::unknownValueType(raw.id, raw.type);
  if (!seen.insert(canonicalForm(raw.id)).second) throw CatalogError::duplicateSettingID(raw.id);
  for (const auto& [field, value] : {std::pair<const char*, const std::string*>{"id", &raw.id},
                                     {"domain", &raw.domain}, {"label", &raw.label}})
    if (hasControlCharacter(*value)) throw CatalogError::controlCharacter(raw.id, field);

  SettingDefinition setting;
  setting.ref = SettingRef{raw.domain, std::move(raw.path), raw.byHost};
  setting.type = *type;
  setting.label = std::move(raw.label);
  setting.restartsApps = std::move(raw.restart);
  setting.availability = {std::move(raw.osMin), std::move(raw.osMax), std::move(raw.minAppVersion), std::move(raw.brokenOn)};
  setting.control = raw.control ? raw.control->resolve(raw.id, *type) : SettingControl::defaultFor(*type);
  setting.effectUnverified = raw.effectUnverified;
  setting.systemWritten = raw.systemWritten;
  setting.asksBeforeSync = raw.asksBeforeSync;
  setting.text = std::move(raw.text);
  setting.channel = raw.channel && *raw.channel == "nightShift" ? SettingChannel::nightShift : SettingChannel::defaults;
  setting.exposure = fieldValue(raw.exposure, SettingExposure::hidden, &settingExposure, raw.id, "exposure");
  setting.risk = fieldValue(raw.risk, SettingRisk::none, &settingRisk, raw.id, "risk");
  setting.tier = fieldValue(raw.tier, SettingTier::editable, &settingTier, raw.id, "tier");
  setting.id = std::move(raw.id);  // last: every error above names it
  return setting;
}

}  // namespace

SettingsCatalog SettingsCatalog::bundled() { return fromData(BundledResource::data("catalog")); }

SettingsCatalog SettingsCatalog::fromData(std::string_view bytes) {
  // The whole file is decoded before any check, so a decoding fault wins over every other.
  RawCatalog raw = RawCatalog::read(bytes);
  if (raw.schemaVersion > supportedSchemaVersion)
    throw CatalogError::unsupportedSchemaVersion(raw.schemaVersion, supportedSchemaVersion);

  std::unordered_set<std::string> seen;
  seen.reserve(raw.settings.size());
  std::vector<SettingDefinition> settings;
  settings.reserve(raw.settings.size());
  for (auto& setting : raw.settings) settings.push_back(validate(std::move(setting), seen));
  return SettingsCatalog(raw.schemaVersion, raw.catalogVersion, std::move(settings));
}

// ---- lookups ----

SettingsCatalog::SettingsCatalog(std::int64_t schemaVersion, std::int64_t catalogVersion,
                                 std::vector<SettingDefinition> settings)
    : schemaVersion_(schemaVersion),
      catalogVersion_(catalogVersion),
      settings_(std::make_shared<const std::vector<SettingDefinition>>(std::move(settings))) {
  auto byID = std::make_shared<std::unordered_map<std::string, std::size_t>>();
  byID->reserve(settings_->size());
  for (std::size_t i = 0; i < settings_->size(); ++i) byID->emplace(canonicalForm((*settings_)[i].id), i);
  byID_ = std::move(byID);
}

const SettingDefinition* SettingsCatalog::setting(const std::string& id) const {
  const auto found = byID_->find(canonicalForm(id));
  return found == byID_->end() ? nullptr : &(*settings_)[found->second];
}

std::vector<SettingDefinition> SettingsCatalog::settings(const Version& os, const Version& app) const {
  std::vector<SettingDefinition> allowed;
  for (const auto& setting : *settings_)
    if (setting.availability.allows(os, app)) allowed.push_back(setting);
  return allowed;
}

namespace {
std::string rootKey(const SettingRef& ref) {
  return std::string(ref.byHost ? "true" : "false") + "|" + ref.domain + "|" + ref.path.front();
}
}  // namespace

std::vector<SettingDefinition> SettingsCatalog::settings(const Snapshot& touchedBy) const {
  std::unordered_set<std::string> keys;
  for (const auto& entry : touchedBy.entries)
    if (!entry.ref.path.empty()) keys.insert(rootKey(entry.ref));
  std::vector<SettingDefinition> touched;
  for (const auto& setting : *settings_)
    if (!setting.ref.path.empty() && keys.contains(rootKey(setting.ref))) touched.push_back(setting);
  return touched;
}

std::vector<std::string> SettingsCatalog::settingIDs(const Snapshot& touchedBy) const {
  std::vector<std::string> ids;
  for (const auto& setting : settings(touchedBy)) ids.push_back(setting.id);
  return ids;
}

}  // namespace amberloom
