#include "Changes/Snapshot.hpp"

#include <string>

#include "Support/Log.hpp"

namespace amberloom {

Json SnapshotEntry::toJson() const {
  Json json{{"ref", ref.toJson()}};
  if (rootValue) json["rootValue"] = rootValue->toJson();
  if (channel != SettingChannel::defaults) json["channel"] = std::string(rawValue(channel));
  if (isUnreadable) json["unreadable"] = true;
  return json;
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
  for (const auto& entry : entries) list.push_back(entry.toJson());
  return Json{{"entries", std::move(list)}};
}

Snapshot Snapshot::storable() const {
  Snapshot kept = *this;
  for (auto& entry : kept.entries) {
    if (!entry.rootValue) continue;
    try {
      writeJson(entry.rootValue->toJson());
    } catch (const JsonWriteError&) {
      log::dropped(log::Area::changes, "An undo point keeps a value of " + entry.ref.domain + " as unreadable",
                   log::Level::info);
      entry.rootValue.reset();
      entry.isUnreadable = true;
    }
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
