// The support mail: the exact body and subject, a mail link that gives back exactly what the user
// wrote, and which crash report is offered.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>

#include "TestHome.hpp"
#include "Upkeep/SupportService.hpp"

using amberloom::SupportService;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

SupportService service() {
  return SupportService("help+mail@amberloom.example", "2.3 (41)", "14.5", "23F79", "Mac14,2", th::home());
}

// Strict decoding: only unreserved characters and %HH may appear; anything else fails the test.
std::string decode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      ADD_FAILURE() << "left as it is: '" << text[i] << "' in " << text;
    }
  }
  return out;
}

void touch(const std::string& path, int minutesAgo) {
  th::writeFile(path, "crash");
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
}

}  // namespace

TEST(SupportService, TheMailCarriesTheNoteExactlyAsWrittenThenTheBuildLines) {
  const std::string note = " a+b & c = d #1 100% sure?\r\nline two\n\u00e9t\u00e9 \u65e5\u672c /x;y ";
  const auto report = service().report(note);
  EXPECT_EQ(report.subject, "AmberLoom 2.3 (41) \u2014 support");
  EXPECT_EQ(report.body, note + "\n\n---\nPlease keep the lines below; they say which build you are on.\n\n"
                                "AmberLoom: 2.3 (41)\nmacOS: 14.5 (23F79)\nMac: Mac14,2");
  EXPECT_EQ(report.crashReportPath, std::nullopt);

  const auto link = service().mailtoURL(report);
  const std::string prefix = "mailto:help+mail@amberloom.example?subject=";
  ASSERT_TRUE(link && link->starts_with(prefix)) << link.value_or("none");
  const std::string query = link->substr(prefix.size());
  const auto split = query.find("&body=");
  ASSERT_NE(split, std::string::npos);
  EXPECT_EQ(query.find('&', split + 1), std::string::npos);  // the note's "&" did not start another item
  EXPECT_EQ(decode(query.substr(0, split)), report.subject);
  EXPECT_EQ(decode(query.substr(split + 6)), report.body);
}

TEST(SupportService, OffersTheNewestCrashReportOfThisAppOnly) {
  const std::string folder = th::home() + "/Library/Logs/DiagnosticReports/";
  EXPECT_EQ(service().lastCrashReport(), std::nullopt);  // no folder

  touch(folder + "Finder-2025-01-01.ips", 1);
  touch(folder + "amberloom-2025-01-02.ips", 1);  // another letter case: another app
  fs::create_directories(folder + "AmberLoom Helper");
  EXPECT_EQ(service().lastCrashReport(), std::nullopt);

  touch(folder + "AmberLoom-2025-01-01.ips", 60);
  touch(folder + "AmberLoom-2025-01-03.ips", 5);
  EXPECT_EQ(service().lastCrashReport(), folder + "AmberLoom-2025-01-03.ips");
  EXPECT_EQ(service().report("x").crashReportPath, folder + "AmberLoom-2025-01-03.ips");

  // Equal times: the first by name wins.
  const auto time = fs::last_write_time(folder + "AmberLoom-2025-01-03.ips");
  touch(folder + "AmberLoom-2025-01-02.ips", 0);
  fs::last_write_time(folder + "AmberLoom-2025-01-02.ips", time);
  EXPECT_EQ(service().lastCrashReport(), folder + "AmberLoom-2025-01-02.ips");
}
