#include "SelfTest/SettingHealth.hpp"

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "Support/BackgroundTask.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Support/Log.hpp"

namespace amberloom {

ProcessInfo ProcessInfo::current() {
  // Written the way macOS writes it: major.minor, with the patch level only when it is not 0.
  auto components = Version::current().components();
  if (components.size() > 2 && components[2] == 0) components.resize(2);
  const char* build = std::getenv("AMBERLOOM_MACOS_BUILD");
  return {"Version " + Version(components).description() + " (Build " + (build ? build : "23F79") + ")"};
}

std::string currentOSBuild(const ProcessInfo& processInfo) {
  static constexpr std::string_view marker = "Build ";
  const std::string& text = processInfo.operatingSystemVersionString;
  const std::size_t start = text.find(marker);
  if (start == std::string::npos) return {};
  const std::size_t from = start + marker.size();
  const std::size_t end = text.find(')', from);
  if (end == std::string::npos) return {};
  return text.substr(from, end - from);
}

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

AnonymousReporter AnonymousReporter::production(Version appVersion, std::string osBuild, const std::string& host,
                                                IsEnabled isEnabled, std::shared_ptr<HttpSession> session) {
  const std::string url = "https://" + host + "/report";
  Send send = [url, session = std::move(session)](const std::string& body) {
    if (!session) throw std::invalid_argument("no HTTP session");
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.headers = {{"Content-Type", "application/json"}};
    request.body = body;
    request.timeout = std::chrono::seconds(60);
    session->perform(request);  // any completed exchange counts as sent, whatever its status
  };
  return AnonymousReporter(std::move(appVersion), std::move(osBuild), std::move(isEnabled), std::move(send));
}

std::future<void> AnonymousReporter::report(const std::string& settingID, bool succeeded) const noexcept {
  if (auto started = startInBackground([reporter = *this, settingID, succeeded] { reporter.reportNow(settingID, succeeded); }))
    return std::move(*started);
  // No thread to send it from: the report is dropped, as any other failed delivery.
  std::promise<void> dropped;
  dropped.set_value();
  return dropped.get_future();
}

void AnonymousReporter::reportNow(const std::string& settingID, bool succeeded) const {
  try {
    if (!isEnabled_ || !isEnabled_()) return;
    const std::string body = writeJson(Json{{"appVersion", appVersion_.description()},
                                            {"osBuild", osBuild_},
                                            {"result", succeeded ? "ok" : "failed"},
                                            {"settingID", settingID}});
    if (send_) send_(body);
  } catch (...) {
    // Reports are best effort: a switch that fails, a body that cannot be written and every error
    // of the delivery are dropped.
    log::dropped(log::Area::support, "The anonymous report about " + settingID + " was not sent", log::Level::info);
  }
}

}  // namespace amberloom
