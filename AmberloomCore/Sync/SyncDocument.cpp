#include "Sync/SyncDocument.hpp"


#include <cmath>

#include "Support/Json.hpp"
#include "Support/Sha256.hpp"

namespace amberloom {
namespace {

// Dates with a four-digit year, 0000-01-01 to 9999-12-31: the only ones the ISO-8601 text of a
// value can carry, and far inside what the formatter computes without overflow.
constexpr double kEarliestDate = -63145526400.0;
constexpr double kLatestDate = 252423993599.0;

// The JSON depth of the innermost value a document may hold: the top object and "intents", then
// two levels (the one-key kind object and its payload) per dictionary or array.
constexpr int kMaximumJsonDepth = 2 + 2 * static_cast<int>(SyncDocument::maximumNesting);

struct TooDeep {};

bool withinLimits(const PreferenceValue& value, std::size_t nesting) {
  using Kind = PreferenceValue::Kind;
  switch (value.kind()) {
    case Kind::boolean:
    case Kind::integer: return true;
    case Kind::real: return std::isfinite(value.asDouble());
    case Kind::string: return value.asString().size() <= SyncDocument::maximumTextLength;
    case Kind::data: return (value.asData().size() + 2) / 3 * 4 <= SyncDocument::maximumTextLength;
    case Kind::date: return value.asDate() >= kEarliestDate && value.asDate() <= kLatestDate;
    case Kind::dictionary:
      if (nesting >= SyncDocument::maximumNesting) return false;
      for (const auto& [key, member] : value.asDictionary())
        if (key.size() > SyncDocument::maximumTextLength || !withinLimits(member, nesting + 1)) return false;
      return true;
    case Kind::array:
      if (nesting >= SyncDocument::maximumNesting) return false;
      for (const auto& element : value.asArray())
        if (!withinLimits(element, nesting + 1)) return false;
      return true;
  }
  return false;
}

// The intents as the checksum covers them and the file carries them: only shareable ones.
Json intentsJson(const PreferenceValue::Dictionary& intents) {
  Json object = Json::object();
  for (const auto& [settingID, value] : intents)
    if (SyncDocument::isShareable(settingID, value)) object[settingID] = value.toJson();
  return object;
}

// SHA-256 of the compact, sorted-key JSON text of the intents, as 64 lower-case hex digits.
std::string checksum(const Json& intents) {
  return sha256Hex(writeJson(intents, JsonStyle::compact));
}

// The stored record, as decoded before any check of its content.
struct RawSyncDocument {
  std::int64_t schemaVersion = 0;
  std::string deviceID;
  std::optional<std::string> deviceName;
  std::string checksum;
  PreferenceValue::Dictionary intents;

  static RawSyncDocument decode(std::string_view data) {
    // Nesting is bounded while parsing, before anything recursive walks the tree.
    const Json json = Json::parse(data.begin(), data.end(), [](int depth, Json::parse_event_t event, Json&) {
      if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
          depth > kMaximumJsonDepth)
        throw TooDeep{};
      return true;
    });
    const CodingPath root;
    RawSyncDocument raw;
    raw.schemaVersion = decodeInt(member(json, "schemaVersion", root), {"schemaVersion"});
    raw.deviceID = requiredString(json, "deviceID", root);
    raw.deviceName = optionalString(json, "deviceName", root);
    raw.checksum = requiredString(json, "checksum", root);
    const Json& intents = requireObject(member(json, "intents", root), {"intents"});
    for (const auto& [settingID, value] : intents.items())
      raw.intents.emplace(settingID, PreferenceValue::fromJson(value, {"intents", settingID}));
    return raw;
  }
};

}  // namespace

SyncError::SyncError(Case c, std::string deviceID, std::int64_t found, std::int64_t supported)
    : DescribedError([&] {
        switch (c) {
          case Case::checksumMismatch:
            return describe::enumCase("checksumMismatch", {{"deviceID", describe::text(deviceID)}});
          case Case::unsupportedSchemaVersion:
            return describe::enumCase("unsupportedSchemaVersion", {{"deviceID", describe::text(deviceID)},
                                                                   {"found", describe::integer(found)},
                                                                   {"supported", describe::integer(supported)}});
          case Case::unreadable: break;
        }
        return describe::enumCase("unreadable");
      }()),
      case_(c), deviceID_(std::move(deviceID)), found_(found), supported_(supported) {}

SyncError SyncError::checksumMismatch(std::string deviceID) {
  return SyncError(Case::checksumMismatch, std::move(deviceID), 0, 0);
}

SyncError SyncError::unsupportedSchemaVersion(std::string deviceID, std::int64_t found, std::int64_t supported) {
  return SyncError(Case::unsupportedSchemaVersion, std::move(deviceID), found, supported);
}

SyncError SyncError::unreadable() { return SyncError(Case::unreadable, {}, 0, 0); }

std::string SyncDocument::fileName() const { return deviceID + "." + std::string(fileExtension); }

bool SyncDocument::isShareable(const std::string& settingID, const PreferenceValue& value) {
  return settingID.size() <= maximumTextLength && withinLimits(value, 0);
}

std::string SyncDocument::encoded() const {
  Json intentsObject = intentsJson(intents);
  Json document = Json::object();
  document["schemaVersion"] = supportedSchemaVersion;
  document["deviceID"] = deviceID;
  if (deviceName) document["deviceName"] = *deviceName;
  document["checksum"] = checksum(intentsObject);
  document["intents"] = std::move(intentsObject);
  return writeJson(document, JsonStyle::pretty);
}

SyncDocument SyncDocument::fromData(std::string_view data) {
  if (data.size() > maximumSize) throw SyncError::unreadable();
  RawSyncDocument raw;
  try {
    raw = RawSyncDocument::decode(data);
  } catch (...) {  // not JSON, too deep, a key missing, a field or value of the wrong form
    throw SyncError::unreadable();
  }
  if (raw.deviceID.size() > maximumTextLength || raw.deviceName.value_or("").size() > maximumTextLength)
    throw SyncError::unreadable();
  for (const auto& [settingID, value] : raw.intents)
    if (!isShareable(settingID, value)) throw SyncError::unreadable();

  if (raw.schemaVersion > supportedSchemaVersion)
    throw SyncError::unsupportedSchemaVersion(raw.deviceID, raw.schemaVersion, supportedSchemaVersion);
  if (checksum(intentsJson(raw.intents)) != raw.checksum) throw SyncError::checksumMismatch(raw.deviceID);
  return SyncDocument{std::move(raw.deviceID), std::move(raw.deviceName), std::move(raw.intents)};
}

}  // namespace amberloom
