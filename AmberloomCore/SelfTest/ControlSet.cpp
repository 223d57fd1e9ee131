#include "SelfTest/ControlSet.hpp"

#include <algorithm>

#include "Preferences/BundledResource.hpp"
#include "Catalog/SettingControl.hpp"

namespace amberloom {

std::string_view rawValue(ControlExpectation value) {
  return value == ControlExpectation::failsImmediately ? "failsImmediately" : "failsAfterRestart";
}

std::optional<ControlExpectation> controlExpectation(std::string_view raw) {
  for (const auto value : {ControlExpectation::failsImmediately, ControlExpectation::failsAfterRestart})
    if (raw == rawValue(value)) return value;
  return std::nullopt;
}

namespace {

// One control as the file writes it, before its type and value are checked.
struct RawControl {
  std::string id, domain;
  std::vector<std::string> path;
  std::string type;
  RawScalar value;
  ControlExpectation expect;
  std::string why;
  std::vector<std::string> restart;
};

RawControl decodeControl(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  std::string id = requiredString(json, "id", path);
  std::string domain = requiredString(json, "domain", path);
  auto keyPath = decodeStringArray(member(json, "path", path), appending(path, "path"));
  std::string type = requiredString(json, "type", path);
  auto value = RawScalar::fromJson(member(json, "value", path), appending(path, "value"));
  const std::string expectText = requiredString(json, "expect", path);
  const auto expect = controlExpectation(expectText);
  if (!expect)
    throw DecodingError(DecodingError::Kind::dataCorrupted, appending(path, "expect"),
                        "Cannot initialize ControlExpectation from invalid String value " + expectText);
  std::string why = requiredString(json, "why", path);
  std::vector<std::string> restart;
  if (const Json* apps = optionalMember(json, "restart"))
    restart = decodeStringArray(*apps, appending(path, "restart"));
  return RawControl{std::move(id),    std::move(domain), std::move(keyPath), std::move(type),
                    std::move(value), *expect,           std::move(why),     std::move(restart)};
}

ControlEntry convert(const RawControl& raw) {
  const auto type = settingValueType(raw.type);
  if (!type) throw CatalogError::unknownValueType(raw.id, raw.type);
  if (raw.path.empty()) throw CatalogError::emptyPath(raw.id);
  auto value = raw.value.preferenceValue(*type);
  if (!value) throw VerificationValuesError::valueDoesNotMatchType(raw.id, std::string(rawValue(*type)));
  return ControlEntry{raw.id,     SettingRef{raw.domain, raw.path, false}, std::move(*value), raw.expect, raw.why,
                      raw.restart};
}

}  // namespace

ControlSet ControlSet::fromData(std::string_view bytes) {
  const Json document = parseJson(bytes);
  const CodingPath controlsPath{"controls"};
  const Json& list = requireArray(member(document, "controls", {}), controlsPath);

  // The whole document decodes before any control is checked, so a decoding fault anywhere wins.
  std::vector<RawControl> raw;
  raw.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) raw.push_back(decodeControl(list[i], appending(controlsPath, i)));

  std::vector<ControlEntry> entries;
  entries.reserve(raw.size());
  for (const auto& control : raw) entries.push_back(convert(control));
  return ControlSet(std::move(entries));
}

ControlSet ControlSet::bundled() { return fromData(BundledResource::data("control_settings")); }

SettingsCatalog ControlSet::asCatalog() const {
  std::vector<SettingDefinition> settings;
  settings.reserve(entries_.size());
  for (const auto& entry : entries_) {
    SettingDefinition setting;
    setting.id = entry.id;
    setting.ref = entry.ref;
    setting.type = SettingValueType::boolean;  // whatever the value's kind: the runner never checks types
    setting.label = entry.why;
    setting.restartsApps = entry.restartsApps;
    setting.availability = SettingAvailability::always();
    setting.control = SettingControl::toggle();
    setting.channel = SettingChannel::defaults;
    setting.exposure = SettingExposure::hidden;
    setting.risk = SettingRisk::none;
    setting.tier = SettingTier::editable;
    settings.push_back(std::move(setting));
  }
  return SettingsCatalog(1, 0, std::move(settings));
}

VerificationValues ControlSet::asValues() const {
  VerificationValues::Table table;
  for (const auto& entry : entries_) table.try_emplace(entry.id, VerificationValue{entry.id, entry.value, false});
  return VerificationValues(std::move(table));
}

std::optional<ControlExpectation> ControlSet::expectation(const std::string& id) const {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const ControlEntry& e) { return e.id == id; });
  if (found == entries_.end()) return std::nullopt;
  return found->expectation;
}

ControlVerdict ControlSet::judge(ControlExpectation expectation, const VerificationResult& applyResult,
                                 const VerificationResult& recheckResult) {
  using Kind = VerificationResult::Kind;
  if (applyResult.kind() == Kind::inconclusive || recheckResult.kind() == Kind::inconclusive)
    return ControlVerdict::runnerCannotBeTrusted(kControlNotMeasured);
  if (expectation == ControlExpectation::failsAfterRestart)
    return recheckResult.isPass() ? ControlVerdict::runnerCannotBeTrusted(kControlSurvivedRestart)
                                  : ControlVerdict::runnerIsTrustworthy();
  return applyResult.isPass() ? ControlVerdict::runnerCannotBeTrusted(kControlPassedAtOnce)
                              : ControlVerdict::runnerIsTrustworthy();
}

}  // namespace amberloom
