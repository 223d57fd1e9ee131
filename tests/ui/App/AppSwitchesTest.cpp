// The application's executable started the ways the system starts it: the Night Shift read-back
// and the unattended sync at login, each answered before any window exists, and what happens to
// arguments that only look like those switches.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <vector>

#include "Account/AccountStore.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"
#include "ScriptedServer.hpp"
#include "Support/Json.hpp"
#include "Sync/LoginItemService.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using amberloom::AccountStore;
using amberloom::Json;
using amberloom::PreferenceValue;
using amberloom::SyncDocument;
using amberloom::writeJson;
using amberloom::StoreUserDefaults;
using amberloom::platform::runProcess;
using namespace std::chrono_literals;

namespace {

// A windowed start is still running when this has passed.
constexpr auto windowedStart = 4s;

void setNightShift(bool on) {
  ASSERT_EQ(th::runDefaults({"write", "com.apple.CoreBrightness", "BlueReductionEnabled", "-bool", on ? "true" : "false"})
                .exitStatus,
            0);
}

TEST(AppSwitches, NightShiftReadCountsOnlyTheWholeExactSwitch) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<bool> nightShift;  // none: the client is unavailable
    int status;                      // -1: still running as the windowed application
    std::string output;
  };
  const std::vector<Case> cases = {
      {"on", {"--amberloom-read-night-shift"}, true, 0, "on\n"},
      {"off", {"--amberloom-read-night-shift"}, false, 0, "off\n"},
      {"unavailable", {"--amberloom-read-night-shift"}, std::nullopt, 2, ""},
      {"anywhere in the list", {"-x", "file", "--amberloom-read-night-shift"}, true, 0, "on\n"},
      {"both switches: the read alone", {"--background-sync", "--amberloom-read-night-shift"}, false, 0, "off\n"},
      {"other case", {"--Amberloom-Read-Night-Shift"}, true, -1, ""},
      {"with a value", {"--amberloom-read-night-shift=1"}, true, -1, ""},
      {"background sync with a value", {"--background-sync=now"}, true, -1, ""},
  };
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Nothing a windowed start does may reach a real server.
  ::setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.nightShift) {
      ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
      setNightShift(*c.nightShift);
    } else {
      ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
    }
    const auto result = runProcess(AMBERLOOM_APP_PATH, c.arguments, windowedStart);
    ASSERT_TRUE(result);
    if (c.status < 0) {
      EXPECT_TRUE(result->timedOut) << "exited with " << result->exitStatus << ": " << result->standardError;
    } else {
      EXPECT_FALSE(result->timedOut);
      EXPECT_EQ(result->exitStatus, c.status);
    }
    EXPECT_EQ(result->standardOutput, c.output);
  }
}

class BackgroundSyncRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("AMBERLOOM_ACCOUNT_URL", server.url("/api/v1").c_str(), 1);
    // A signed-in Mac, so that only the automatic-sync switch decides whether anything is sent.
    AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
        .save("token-1", "ada@example.com", "mac-1", server.url("/api/v1"));
  }

  std::string pendingFile() const {
    return amberloom::platform::applicationSupportDirectory() + "/AmberLoom/pending-sync.json";
  }

  th::ScriptedServer server;
};

TEST_F(BackgroundSyncRun, WithAutomaticSyncOffEndsAtOnceHavingSentNothing) {
  const auto started = std::chrono::steady_clock::now();
  const auto result = runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, 30s);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->timedOut);
  EXPECT_EQ(result->exitStatus, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_TRUE(server.received().empty());
  EXPECT_FALSE(th::fileExists(pendingFile()));
}

TEST_F(BackgroundSyncRun, AgainstAServerThatNeverAnswersEndsWithinTheMinuteAndKeepsTheDocument) {
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  server.answer({.status = 200, .body = {}, .stall = true});
  const auto started = std::chrono::steady_clock::now();
  const auto result = runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, 90s);
  const auto took = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->timedOut);
  EXPECT_EQ(result->exitStatus, 0);
  EXPECT_LT(took, 65s);
  EXPECT_EQ(result->standardOutput, "");
  ASSERT_FALSE(server.received().empty());
  EXPECT_EQ(server.received().front().method, "PUT");
  // The upload that never got through waits for the next run.
  EXPECT_TRUE(th::fileExists(pendingFile()));
}

// The other Macs' documents as the server lists them: C shared after B.
std::string twoOtherMacs() {
  const auto record = [](const std::string& id, const char* at, PreferenceValue::Dictionary intents) {
    return Json{{"device_id", id}, {"device_name", "Mac " + id}, {"revision", 1}, {"updated_at", at},
                {"payload", SyncDocument{id, "Mac " + id, std::move(intents)}.encoded()}};
  };
  using V = PreferenceValue;
  return writeJson(Json{
      {"revision", 3},
      {"documents",
       Json::array({record("B", "2026-01-01T08:00:00Z",
                           {{"dock.autohide", V::boolean(false)}, {"dock.magnification", V::boolean(true)}}),
                    record("C", "2026-01-01T09:00:00Z", {{"dock.autohide", V::boolean(true)}})})}});
}

TEST_F(BackgroundSyncRun, TheStartupEntryReachesTheSessionsServerAndBringsWhatAnyOtherMacHas) {
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  server.answer({200, twoOtherMacs()});
  // Turned on while the application used this server; run at login with nothing else set.
  amberloom::XdgAutostartAgent entry(amberloom::LoginItemService::agentPlist, AMBERLOOM_APP_PATH, th::home(),
                                     amberloom::XdgAutostartAgent::carriedEnvironment());
  entry.registerAgent();
  ::unsetenv("AMBERLOOM_ACCOUNT_URL");
  const std::string text = th::readFile(*entry.entryPath());
  const auto exec = text.find("\nExec=") + 6;
  auto command = amberloom::splitDesktopExec(text.substr(exec, text.find('\n', exec) - exec)).value();
  ASSERT_EQ(command.front(), "env");
  const auto result = runProcess("/usr/bin/env", {command.begin() + 1, command.end()}, 30s);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->exitStatus, 0);

  ASSERT_FALSE(server.received().empty());
  EXPECT_EQ(server.received()[0].header("Authorization"), "Bearer token-1");
  // Neither Mac was compared alone: the setting only B has came, and C's newer value won.
  EXPECT_EQ(th::runDefaults({"read", "com.apple.dock", "magnification"}).standardOutput, "1\n");
  EXPECT_EQ(th::runDefaults({"read", "com.apple.dock", "autohide"}).standardOutput, "1\n");
}

}  // namespace

namespace {

// Built-in resources that cannot be read are replaced by empty ones: the window still comes up.
TEST(AppStart, UnreadableBuiltInResourcesStillStartTheWindow) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(th::home()) / "App";
  fs::create_directories(folder / "Resources");
  fs::copy_file(AMBERLOOM_APP_PATH, folder / "AmberLoom");
  for (const char* name : {"catalog", "discover_cards", "recipes", "manual_guide"})
    th::writeFile((folder / "Resources" / (std::string(name) + ".json")).string(), "{ not json");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1", 1);
  const auto result = runProcess((folder / "AmberLoom").string(), {}, windowedStart);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->timedOut) << "exited with " << result->exitStatus << ": " << result->standardError;
  EXPECT_EQ(result->standardError.find("cannot show"), std::string::npos) << result->standardError;
}

}  // namespace
