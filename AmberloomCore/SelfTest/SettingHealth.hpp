#pragma once
// Three small pieces of the self-test kit: the macOS build read from the process information's
// version text, an in-memory record of the settings seen not to take effect on a macOS version, and
// an anonymous reporter that sends one small JSON report per verification result when, and only
// when, its switch is on.

#include <functional>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Preferences/Version.hpp"

namespace amberloom {

class HttpSession;

// What the process knows about the system it runs on.
struct ProcessInfo {
  std::string operatingSystemVersionString;  // "Version 14.5 (Build 23F79)"

  // The macOS this build reports: version 14.5 and build "23F79" unless AMBERLOOM_MACOS_VERSION or
  // AMBERLOOM_MACOS_BUILD say otherwise.
  static ProcessInfo current();
};

// The text between the first "Build " and the next ")"; empty when either is missing. Never fails.
std::string currentOSBuild(const ProcessInfo& processInfo);

// Which settings were seen not to work on which macOS version, keyed by the version's text, so 14.4
// and 14.4.0 are different keys. Not thread-safe: one owner, one thread at a time. It never touches
// a file: the owner stores encoded() and restores with fromData().
class SettingHealthLog {
 public:
  SettingHealthLog() = default;
  SettingHealthLog(const SettingHealthLog&) = delete;  // one record, shared by reference
  SettingHealthLog& operator=(const SettingHealthLog&) = delete;
  SettingHealthLog(SettingHealthLog&&) = default;
  SettingHealthLog& operator=(SettingHealthLog&&) = default;

  // [{"os": "14.4", "settingID": "..."}, ...]; other members ignored, repeated keys collapse.
  // Throws DecodingError for anything else.
  static SettingHealthLog fromData(std::string_view data);

  // A success forgets the (setting, version) key; a failure records it.
  void record(const std::string& settingID, const Version& os, bool succeeded);
  bool isKnownBroken(const std::string& settingID, const Version& os) const;
  // Each setting with at least one failure, once, in ascending order.
  std::vector<std::string> brokenSettingIDs() const;
  // Compact JSON array, sorted by setting id; "[]" when empty.
  std::string encoded() const;

 private:
  struct Key {
    std::string settingID;
    std::string os;
    auto operator<=>(const Key&) const = default;
  };
  std::set<Key> broken_;
};

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
