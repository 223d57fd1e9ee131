#pragma once
// An anonymous reporter that sends one small JSON report per verification result when, and only
// when, its switch is on.

#include <functional>
#include <future>
#include <memory>
#include <string>

#include "Preferences/Version.hpp"

namespace amberloom {

class HttpSession;

// Sends {"appVersion", "osBuild", "result": "ok" | "failed", "settingID"} (compact, sorted keys) per
// report. Holds no state; every report is independent, lost when it cannot be delivered.
class AnonymousReporter {
 public:
  // Both are called on the reporter's worker thread and must be safe there. `send` blocks until
  // the report is delivered and throws when it is not; the reporter drops that error.
  using IsEnabled = std::function<bool()>;
  using Send = std::function<void(const std::string& body)>;

  AnonymousReporter(Version appVersion, std::string osBuild, IsEnabled isEnabled, Send send)
      : appVersion_(std::move(appVersion)), osBuild_(std::move(osBuild)), isEnabled_(std::move(isEnabled)),
        send_(std::move(send)) {}

  // POST "https://<host>/report", "Content-Type: application/json", 60-second limit, through
  // `session`. The response is not looked at; a failed transfer is dropped, never retried. A host
  // that does not form a valid URL gives a reporter whose reports all fail.
  static AnonymousReporter production(Version appVersion, std::string osBuild, const std::string& host,
                                      IsEnabled isEnabled, std::shared_ptr<HttpSession> session);

  const Version& appVersion() const { return appVersion_; }
  const std::string& osBuild() const { return osBuild_; }

  // Returns at once; asks the switch, builds and sends on the worker pool. The future (which may
  // be dropped) becomes ready when the report was sent or given up, and never holds an exception.
  // Never throws: when no thread can be started the report is dropped.
  std::future<void> report(const std::string& settingID, bool succeeded) const noexcept;

 private:
  void reportNow(const std::string& settingID, bool succeeded) const;

  Version appVersion_;
  std::string osBuild_;
  IsEnabled isEnabled_;
  Send send_;
};

}  // namespace amberloom
