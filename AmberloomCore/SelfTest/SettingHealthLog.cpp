#include "SelfTest/SettingHealthLog.hpp"

#include "Support/Json.hpp"

namespace amberloom {

SettingHealthLog SettingHealthLog::fromData(std::string_view data) {
  const Json json = parseJson(data);
  const Json& list = requireArray(json, {});
  SettingHealthLog log;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const CodingPath path = appending({}, i);
    requireObject(list[i], path);
    Key key{requiredString(list[i], "settingID", path),
            requiredString(list[i], "os", path)};
    log.broken_.insert(std::move(key));
  }
  return log;
}

void SettingHealthLog::record(const std::string& settingID, const Version& os, bool succeeded) {
  Key key{settingID, os.description()};
  if (succeeded) broken_.erase(key);
  else broken_.insert(std::move(key));
}

bool SettingHealthLog::isKnownBroken(const std::string& settingID, const Version& os) const {
  return broken_.contains(Key{settingID, os.description()});
}

std::vector<std::string> SettingHealthLog::brokenSettingIDs() const {
  std::vector<std::string> ids;
  for (const auto& key : broken_)  // ordered by setting id first
    if (ids.empty() || ids.back() != key.settingID) ids.push_back(key.settingID);
  return ids;
}

std::string SettingHealthLog::encoded() const {
  Json list = Json::array();
  for (const auto& key : broken_) list.push_back(Json{{"settingID", key.settingID}, {"os", key.os}});
  return writeJson(list);
}

}  // namespace amberloom
