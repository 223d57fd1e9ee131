#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "Support/HttpSession.hpp"
#include "LoopbackServer.hpp"
#include "SelfTest/AnonymousReporter.hpp"
#include "SelfTest/ProcessInfo.hpp"
#include "SelfTest/SettingHealthLog.hpp"

using namespace amberloom;
using amberloom::testing::LoopbackServer;
using amberloom::testing::PlainLoopbackSession;
using namespace std::chrono_literals;

namespace {

Version v(const char* text) { return *Version::parse(text); }

TEST(CurrentOSBuild, IsTheTextBetweenTheFirstBuildAndTheNextClosingParenthesis) {
  const std::pair<const char*, const char*> cases[] = {
      {"Version 14.4.1 (Build 23E224)", "23E224"},
      {"Version 14.4.1", ""},
      {"Version 14.4.1 (Build 23E224", ""},
      {"Version 14.4.1 (Build )", ""},
      {"Version 15.0 (Build 24A335) (Build 99Z999)", "24A335"},
      {"Version 15.0 (build 24A335)", ""},  // the marker is case-sensitive
      {"Version 15.0 (Build24A335)", ""},   // and needs its space
      {"", ""},
  };
  for (const auto& [text, build] : cases) EXPECT_EQ(currentOSBuild(ProcessInfo{text}), build) << text;
}

TEST(CurrentOSBuild, ThisMacReportsItsConfiguredReleaseTheWayMacOSWritesIt) {
  EXPECT_EQ(ProcessInfo::current().operatingSystemVersionString, "Version 14.5 (Build 23F79)");
  EXPECT_EQ(currentOSBuild(ProcessInfo::current()), "23F79");

  ::setenv("AMBERLOOM_MACOS_VERSION", "15.0.1", 1);
  ::setenv("AMBERLOOM_MACOS_BUILD", "24A348", 1);
  EXPECT_EQ(ProcessInfo::current().operatingSystemVersionString, "Version 15.0.1 (Build 24A348)");
  EXPECT_EQ(currentOSBuild(ProcessInfo::current()), "24A348");
  ::unsetenv("AMBERLOOM_MACOS_VERSION");
  ::unsetenv("AMBERLOOM_MACOS_BUILD");
}

TEST(SettingHealthLog, KeysOnTheSettingAndTheVersionAsWritten) {
  SettingHealthLog log;
  log.record("dock.autohide", v("14.4"), false);
  log.record("dock.autohide", v("14.4"), true);
  EXPECT_FALSE(log.isKnownBroken("dock.autohide", v("14.4")));
  EXPECT_EQ(log.encoded(), "[]");

  log.record("dock.autohide", v("14.4"), false);
  log.record("dock.autohide", v("14.4"), false);
  EXPECT_EQ(log.encoded(), R"([{"os":"14.4","settingID":"dock.autohide"}])");
  EXPECT_TRUE(log.isKnownBroken("dock.autohide", v("14.4")));
  EXPECT_FALSE(log.isKnownBroken("dock.autohide", v("14.4.0"))) << "14.4 and 14.4.0 print differently";
  EXPECT_FALSE(log.isKnownBroken("dock.tilesize", v("14.4")));
}

TEST(SettingHealthLog, RoundTripsThroughItsJSONForm) {
  SettingHealthLog log;
  log.record("finder.showPath", v("15.0"), false);
  log.record("dock.autohide", v("14.4"), false);
  log.record("finder.showPath", v("14.4"), false);
  EXPECT_EQ(log.brokenSettingIDs(), (std::vector<std::string>{"dock.autohide", "finder.showPath"}));

  const std::string encoded = log.encoded();
  const Json json = Json::parse(encoded);
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(json[0], (Json{{"settingID", "dock.autohide"}, {"os", "14.4"}}));
  EXPECT_EQ(json[1]["settingID"], "finder.showPath");
  EXPECT_EQ(json[2]["settingID"], "finder.showPath");
  EXPECT_EQ(encoded.find_first_of(" \n"), std::string::npos) << "compact";

  const auto restored = SettingHealthLog::fromData(encoded);
  EXPECT_EQ(restored.encoded(), encoded);
  EXPECT_TRUE(restored.isKnownBroken("finder.showPath", v("15.0")));
  EXPECT_TRUE(restored.isKnownBroken("finder.showPath", v("14.4")));

  EXPECT_EQ(SettingHealthLog::fromData("[]").brokenSettingIDs(), std::vector<std::string>{});
  const auto collapsed = SettingHealthLog::fromData(
      R"([{"settingID":"a","os":"14.4","seen":3},{"os":"14.4","settingID":"a"}])");
  EXPECT_EQ(collapsed.encoded(), R"([{"os":"14.4","settingID":"a"}])");
}

TEST(SettingHealthLog, RefusesADocumentOfAnyOtherShape) {
  using Kind = DecodingError::Kind;
  const std::pair<const char*, Kind> cases[] = {
      {"not JSON", Kind::dataCorrupted},
      {R"({"settingID":"a","os":"14.4"})", Kind::typeMismatch},
      {"[1]", Kind::typeMismatch},
      {R"([{"settingID":"a"}])", Kind::keyNotFound},
      {R"([{"settingID":"a","os":14.4}])", Kind::typeMismatch},
      {R"([{"settingID":null,"os":"14.4"}])", Kind::valueNotFound},
  };
  for (const auto& [document, kind] : cases) {
    try {
      SettingHealthLog::fromData(document);
      ADD_FAILURE() << "accepted " << document;
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.kind(), kind) << document;
    }
  }
}

std::future_status settle(std::future<void>& future) { return future.wait_for(60s); }

TEST(AnonymousReporter, PostsOneSortedCompactReportOnlyWhileSwitchedOn) {
  LoopbackServer server;
  const auto session = std::make_shared<PlainLoopbackSession>();
  std::atomic<bool> enabled = false;
  std::atomic<bool> askedOnCallerThread = false;
  const auto caller = std::this_thread::get_id();
  const auto reporter = AnonymousReporter::production(
      v("2.1"), "23F79", server.host(),
      [&] {
        if (std::this_thread::get_id() == caller) askedOnCallerThread = true;
        return enabled.load();
      },
      session);

  auto off = reporter.report("dock.autohide", false);
  ASSERT_EQ(settle(off), std::future_status::ready);
  EXPECT_TRUE(server.received().empty());
  EXPECT_TRUE(session->requestedURLs().empty());

  enabled = true;
  auto failed = reporter.report("dock.autohide", false);
  ASSERT_EQ(settle(failed), std::future_status::ready);
  auto worked = reporter.report("finder.showPath", true);
  ASSERT_EQ(settle(worked), std::future_status::ready);

  const auto received = server.received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].method, "POST");
  EXPECT_EQ(received[0].path, "/report");
  EXPECT_EQ(received[0].contentType, "application/json");
  EXPECT_EQ(received[0].body, R"({"appVersion":"2.1","osBuild":"23F79","result":"failed","settingID":"dock.autohide"})");
  EXPECT_EQ(received[1].body, R"({"appVersion":"2.1","osBuild":"23F79","result":"ok","settingID":"finder.showPath"})");
  EXPECT_EQ(session->requestedURLs().at(0), "https://" + server.host() + "/report");
  EXPECT_FALSE(askedOnCallerThread);
}

TEST(AnonymousReporter, ReturnsAtOnceAndSwallowsEveryDeliveryFailureWithoutRetrying) {
  const auto always = [] { return true; };

  // A server that does not answer: the caller goes on, the report waits on its own thread.
  {
    LoopbackServer server;
    server.fail("/report", LoopbackServer::Failure::stall);
    const auto reporter = AnonymousReporter::production(v("1.0"), "23F79", server.host(), always,
                                                        std::make_shared<PlainLoopbackSession>());
    // The stall lasts minutes: a report that waited for its delivery would return only then.
    const auto start = std::chrono::steady_clock::now();
    auto pending = reporter.report("dock.autohide", true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    ASSERT_TRUE(server.waitForRequests("/report", 1, 60s));
    EXPECT_EQ(pending.wait_for(0s), std::future_status::timeout);
    server.releaseStalls();
    ASSERT_EQ(settle(pending), std::future_status::ready);
    EXPECT_NO_THROW(pending.get());
  }
  // An error status counts as delivered: sent once, never again.
  {
    LoopbackServer server;
    server.fail("/report", LoopbackServer::Failure::serverError);
    const auto reporter = AnonymousReporter::production(v("1.0"), "23F79", server.host(), always,
                                                        std::make_shared<PlainLoopbackSession>());
    auto answered = reporter.report("dock.autohide", true);
    ASSERT_EQ(settle(answered), std::future_status::ready);
    EXPECT_NO_THROW(answered.get());
    EXPECT_EQ(server.received().size(), 1u);
  }
  // Nobody listening, a host that forms no URL, a send or a switch that throws.
  std::vector<AnonymousReporter> reporters{
      AnonymousReporter::production(v("1.0"), "23F79", LoopbackServer::closedHost(), always,
                                    std::make_shared<PlainLoopbackSession>()),
      AnonymousReporter::production(v("1.0"), "23F79", "not a host", always, std::make_shared<CurlHttpSession>()),
      AnonymousReporter(v("1.0"), "23F79", always, [](const std::string&) { throw HttpTransferError::timedOut(); }),
      AnonymousReporter(v("1.0"), "23F79", [] () -> bool { throw std::runtime_error("no switch"); },
                        [](const std::string&) {}),
  };
  for (const auto& reporter : reporters) {
    auto lost = reporter.report("dock.autohide", false);
    ASSERT_EQ(settle(lost), std::future_status::ready);
    EXPECT_NO_THROW(lost.get());
  }
}

}  // namespace
