#include "Backup/BackupEnvelope.hpp"

#include <algorithm>

#include "Changes/BatchTransaction.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Sha256.hpp"

namespace amberloom {
namespace {

// The JSON levels a file needs around its deepest value: the envelope, the snapshot, its entry
// list, an entry, the value's kind object, and two per nested dictionary or array.
constexpr int kMaxFileNesting = 2 * BackupEnvelope::maxValueNesting + 6;

// The checksum covers the snapshot alone, as compact sorted-key JSON: 64 lower-case hex digits,
// or the empty string when the snapshot has no JSON form.
std::string checksum(const Snapshot& snapshot) {
  try {
    return sha256Hex(writeJson(snapshot.toJson(), JsonStyle::compact));
  } catch (const JsonWriteError&) {
    return {};
  }
}

int nesting(const PreferenceValue& value) {
  int deepest = 0;
  if (value.kind() == PreferenceValue::Kind::dictionary)
    for (const auto& [key, member] : value.asDictionary()) deepest = std::max(deepest, nesting(member));
  else if (value.kind() == PreferenceValue::Kind::array)
    for (const auto& element : value.asArray()) deepest = std::max(deepest, nesting(element));
  return deepest + 1;
}

// Parses the file, refusing it before any recursive decoding when it nests deeper than a backup
// can: the decoders and the checksum walk values recursively.
Json parseBounded(std::string_view bytes) {
  struct TooDeep {};
  try {
    return Json::parse(bytes.begin(), bytes.end(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxFileNesting) throw TooDeep{};
      return true;
    });
  } catch (const TooDeep&) {
    throw BackupError::unreadable("nested deeper than " + std::to_string(kMaxFileNesting) + " levels");
  } catch (const Json::exception&) {
    throw BackupError::unreadable("not JSON");
  }
}

std::string entryName(std::size_t index, const SnapshotEntry& entry) {
  return "entry " + std::to_string(index) + " (" + entry.ref.description() + ")";
}

}  // namespace

BackupError::BackupError(Case c, std::string deviceID, std::int64_t found, std::int64_t supported, std::string detail)
    : DescribedError(c == Case::unreadable ? describe::enumCase("unreadable")
                     : c == Case::checksumMismatch
                         ? describe::enumCase("checksumMismatch", {{"deviceID", describe::text(deviceID)}})
                         : describe::enumCase("unsupportedSchemaVersion", {{"deviceID", describe::text(deviceID)},
                                                                           {"found", describe::integer(found)},
                                                                           {"supported", describe::integer(supported)}})),
      case_(c), deviceID_(std::move(deviceID)), found_(found), supported_(supported), detail_(std::move(detail)) {}

BackupError BackupError::checksumMismatch(std::string deviceID) {
  return {Case::checksumMismatch, std::move(deviceID), 0, 0, {}};
}

BackupError BackupError::unsupportedSchemaVersion(std::string deviceID, std::int64_t found, std::int64_t supported) {
  return {Case::unsupportedSchemaVersion, std::move(deviceID), found, supported, {}};
}

BackupError BackupError::unreadable(std::string detail) { return {Case::unreadable, {}, 0, 0, std::move(detail)}; }

std::optional<std::string> BackupEnvelope::valueRefusal(const PreferenceValue& value) {
  if (nesting(value) > maxValueNesting)
    return "a value nested deeper than " + std::to_string(maxValueNesting) + " levels";
  std::size_t size = 0;
  try {
    size = writeJson(value.toJson()).size();
  } catch (const JsonWriteError&) {
    return "a value with no JSON form";
  }
  if (size > maxValueBytes) return "a value of " + std::to_string(size) + " bytes";
  return std::nullopt;
}

std::optional<std::string> BackupEnvelope::entryRefusal(const SnapshotEntry& entry) {
  const auto& ref = entry.ref;
  if (ref.path.empty()) return "an empty key path";
  if (ref.domain != "NSGlobalDomain" && !platform::isPlainDomainName(ref.domain)) return "not a preference domain";
  if (entry.channel == SettingChannel::nightShift &&
      (ref.path.back() != "enabled" || (entry.rootValue && entry.rootValue->kind() != PreferenceValue::Kind::boolean)))
    return "not a Night Shift switch state";
  if (entry.rootValue) return valueRefusal(*entry.rootValue);
  return std::nullopt;
}

std::optional<std::string> BackupEnvelope::sizeRefusal(std::size_t entries, std::size_t maxEntries) {
  if (entries <= maxEntries) return std::nullopt;
  return std::to_string(entries) + " entries, more than the " + std::to_string(maxEntries) + " a backup may hold";
}

BackupEnvelope BackupEnvelope::fromData(std::string_view bytes, std::size_t maxEntries) {
  if (bytes.size() > maxFileBytes) throw BackupError::unreadable("larger than " + std::to_string(maxFileBytes) + " bytes");
  const Json json = parseBounded(bytes);

  BackupEnvelope envelope;
  std::int64_t schemaVersion = 0;
  std::string storedChecksum;
  try {
    requireObject(json, {});
    schemaVersion = decodeInt(member(json, "schemaVersion", {}), {"schemaVersion"});
    envelope.deviceID = requiredString(json, "deviceID", {});
    envelope.deviceName = optionalString(json, "deviceName", {});
    if (const auto text = optionalString(json, "createdAt", {})) {
      // Internet date-time to the whole second, as the writer puts it.
      const auto instant = text->find('.') == std::string::npos ? iso8601::parse(*text) : std::nullopt;
      if (!instant)
        throw DecodingError(DecodingError::Kind::dataCorrupted, {"createdAt"}, "Expected date string to be ISO8601-formatted.");
      envelope.createdAt = *instant;
    }
    envelope.osVersion = optionalString(json, "osVersion", {});
    storedChecksum = requiredString(json, "checksum", {});
    envelope.snapshot = Snapshot::fromJson(member(json, "snapshot", {}), {"snapshot"});
  } catch (const std::exception& error) {
    throw BackupError::unreadable(error.what());
  }

  if (schemaVersion > supportedSchemaVersion)
    throw BackupError::unsupportedSchemaVersion(envelope.deviceID, schemaVersion, supportedSchemaVersion);
  // Refused before the checksum walks them all.
  if (const auto refusal = sizeRefusal(envelope.snapshot.entries.size(), maxEntries)) throw BackupError::unreadable(*refusal);
  if (checksum(envelope.snapshot) != storedChecksum) throw BackupError::checksumMismatch(envelope.deviceID);
  for (std::size_t i = 0; i < envelope.snapshot.entries.size(); ++i) {
    const auto& entry = envelope.snapshot.entries[i];
    if (const auto refusal = entryRefusal(entry)) throw BackupError::unreadable(entryName(i, entry) + ": " + *refusal);
  }
  envelope.snapshot = amberloom::withoutForbiddenWrites(std::move(envelope.snapshot));
  return envelope;
}

std::string BackupEnvelope::encoded() const {
  Json json{{"schemaVersion", supportedSchemaVersion},
            {"deviceID", deviceID},
            {"checksum", checksum(snapshot)},
            {"snapshot", snapshot.toJson()}};
  if (deviceName) json["deviceName"] = *deviceName;
  if (createdAt) json["createdAt"] = iso8601::formatWholeSeconds(*createdAt);
  if (osVersion) json["osVersion"] = *osVersion;
  return writeJson(json, JsonStyle::pretty);
}

BackupEnvelope::ReadResult BackupEnvelope::readAll(const std::map<std::string, std::string>& files,
                                                   std::size_t maxEntries) {
  ReadResult result;
  for (const auto& [name, bytes] : files) {  // a std::map iterates in ascending name order
    try {
      result.backups.push_back(fromData(bytes, maxEntries));
    } catch (const BackupError& error) {
      result.unreadable.push_back({name, error});
    } catch (const std::exception& error) {
      result.unreadable.push_back({name, BackupError::unreadable(error.what())});
    }
  }
  return result;
}

}  // namespace amberloom
