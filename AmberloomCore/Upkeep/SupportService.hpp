#pragma once
// Prepares a support mail for the user to send from their own mail program: a subject and a body
// carrying the user's note and the build details, a "mailto" link that opens a new message with
// both filled in, and where the application's newest crash report lies. The report is never
// attached or sent by the application.

#include <optional>
#include <string>

namespace amberloom {

class SupportService {
 public:
  struct Report {
    std::string subject;
    std::string body;
    std::optional<std::string> crashReportPath;  // the newest crash report; none when there is none
    bool operator==(const Report&) const = default;
  };

  // Crash reports are looked for in `homeDirectory` + "/Library/Logs/DiagnosticReports".
  SupportService(std::string address, std::string appVersion, std::string osVersion, std::string osBuild,
                 std::string model, const std::string& homeDirectory);

  // This machine's model identifier as valid UTF-8 (invalid bytes become U+FFFD); "unknown" when
  // the firmware does not name it. Never throws.
  static std::string hardwareModel() noexcept;

  // The note unchanged, a separator, then the lines "AmberLoom: <app>", "macOS: <version> (<build>)"
  // and "Mac: <model>", with no final line break; the subject names the app version.
  Report report(const std::string& note) const;
  // Where support mail goes.
  const std::string& address() const { return address_; }
  // "mailto:<address>?subject=...&body=..." with every byte outside the unreserved characters
  // percent-encoded, so that "+", "&", "=", "#", "%", line breaks and non-ASCII text arrive exactly
  // as written. The crash report is not part of the link. Never none with this encoding.
  std::optional<std::string> mailtoURL(const Report& report) const;
  // The newest regular file of the crash folder whose name begins with "AmberLoom" (exact case),
  // by modification time; among equal times the first in name order wins; a file whose time
  // cannot be read counts as oldest. None when the folder is missing or holds no such file.
  std::optional<std::string> lastCrashReport() const;

  const std::string& crashFolder() const { return crashFolder_; }

 private:
  std::string address_;
  std::string appVersion_;
  std::string osVersion_;
  std::string osBuild_;
  std::string model_;
  std::string crashFolder_;
};

}  // namespace amberloom
