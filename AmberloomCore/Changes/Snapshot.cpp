#include "Changes/Snapshot.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "Platform/TextEncoding.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Log.hpp"

namespace amberloom {

bool hasJsonForm(const PreferenceValue& value) {
  switch (value.kind()) {
    case PreferenceValue::Kind::real:
      return std::isfinite(value.asDouble());
    case PreferenceValue::Kind::date:
      return iso8601::isWritable(value.asDate());
    case PreferenceValue::Kind::string:
      return platform::isValidUtf8(value.asString());
    case PreferenceValue::Kind::dictionary:
      return std::all_of(value.asDictionary().begin(), value.asDictionary().end(), [](const auto& member) {
        return platform::isValidUtf8(member.first) && hasJsonForm(member.second);
      });
    case PreferenceValue::Kind::array:
      return std::all_of(value.asArray().begin(), value.asArray().end(), [](const auto& v) { return hasJsonForm(v); });
    default:
      return true;
  }
}

Json SnapshotEntry::toJson() const {
  // Assigned, not listed: a list's members are copied, and undo points hold thousands of entries.
  Json json = Json::object();
  json["ref"] = ref.toJson();
  if (rootValue) json["rootValue"] = rootValue->toJson();
  if (channel != SettingChannel::defaults) json["channel"] = std::string(rawValue(channel));
  if (isUnreadable) json["unreadable"] = true;
  return json;
}

void SnapshotEntry::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject();
  if (channel != SettingChannel::defaults) out.key("channel").string(rawValue(channel));
  ref.writeJsonTo(out.key("ref"));
  if (rootValue) rootValue->writeJsonTo(out.key("rootValue"));
  if (isUnreadable) out.key("unreadable").boolean(true);
  out.endObject();
}

SnapshotEntry SnapshotEntry::fromJson(const Json& json, const CodingPath& path) {
  SnapshotEntry entry;
  entry.ref = SettingRef::fromJson(member(json, "ref", path), appending(path, "ref"));
  if (const Json* v = optionalMember(json, "rootValue")) entry.rootValue = PreferenceValue::fromJson(*v, appending(path, "rootValue"));
  if (const Json* v = optionalMember(json, "channel")) {
    const auto channelPath = appending(path, "channel");
    const auto channel = settingChannel(decodeString(*v, channelPath));
    if (!channel)
      throw DecodingError(DecodingError::Kind::dataCorrupted, channelPath,
                          "Cannot initialize SettingChannel from invalid String value " + v->get<std::string>());
    entry.channel = *channel;
  }
  if (const Json* v = optionalMember(json, "unreadable")) entry.isUnreadable = decodeBool(*v, appending(path, "unreadable"));
  return entry;
}

Json Snapshot::toJson() const {
  Json list = Json::array();
  list.get_ref<Json::array_t&>().reserve(entries.size());
  for (const auto& entry : entries) list.push_back(entry.toJson());
  Json json = Json::object();
  json["entries"] = std::move(list);
  return json;
}

void Snapshot::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject().key("entries").beginArray();
  for (const auto& entry : entries) entry.writeJsonTo(out);
  out.endArray().endObject();
}

Snapshot Snapshot::storable() const {
  Snapshot kept = *this;
  for (auto& entry : kept.entries) {
    if (!entry.rootValue || hasJsonForm(*entry.rootValue)) continue;
    log::info(log::Area::changes, "An undo point keeps a value of " + entry.ref.domain + " as unreadable");
    entry.rootValue.reset();
    entry.isUnreadable = true;
  }
  return kept;
}

Snapshot Snapshot::fromJson(const Json& json, const CodingPath& path) {
  const auto entriesPath = appending(path, "entries");
  const Json& list = requireArray(member(json, "entries", path), entriesPath);
  Snapshot snapshot;
  for (std::size_t i = 0; i < list.size(); ++i) snapshot.entries.push_back(SnapshotEntry::fromJson(list[i], appending(entriesPath, i)));
  return snapshot;
}

}  // namespace amberloom
