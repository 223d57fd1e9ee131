#include "SelfTest/AnonymousReporter.hpp"

#include <chrono>
#include <stdexcept>

#include "Support/BackgroundTask.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Support/Log.hpp"

namespace amberloom {

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
