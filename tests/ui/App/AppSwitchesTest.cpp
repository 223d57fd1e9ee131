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
#include "ChildProcess.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"
#include "ScriptedServer.hpp"
#include "Support/Json.hpp"
#include "Support/WaitLimit.hpp"
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

// Long enough for any start to end on a loaded machine: a start that should end and has not by then
// never will.
constexpr auto ends = 3min;

void setNightShift(bool on) {
  ASSERT_EQ(th::runDefaults({"write", "com.apple.CoreBrightness", "BlueReductionEnabled", "-bool", on ? "true" : "false"})
                .exitStatus,
            0);
}

// A Mac signed in at `server`, so that a windowed start, once its window has drawn its content,
// asks that server for the other Macs' settings.
void signIn(const th::ScriptedServer& server) {
  AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
      .save("token-1", "ada@example.com", "mac-1", server.url("/api/v1"));
  ::setenv("AMBERLOOM_ACCOUNT_URL", server.url("/api/v1").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Starts `program` with `arguments` and waits for its window to have drawn its content (the first
// request reaching `server`, see signIn), then ends it; what it printed on standard output in
// `output`.
::testing::AssertionResult showsItsWindow(const std::string& program, const std::vector<std::string>& arguments,
                                          const th::ScriptedServer& server, std::string& output) {
  std::vector<std::string> command{program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const auto before = server.received().size();
  th::ChildProcess app(command);
  const bool asked = app.waitUntil([&] { return server.received().size() > before; }, ends);
  const bool running = app.running();
  const int status = app.stop();
  output = app.standardOutput();
  if (asked && running) return ::testing::AssertionSuccess();
  if (!running) return ::testing::AssertionFailure() << "ended with " << status << ": " << app.standardError();
  return ::testing::AssertionFailure() << "drew nothing in " << ends.count() << " minutes: " << app.standardError();
}

TEST(AppSwitches, NightShiftReadCountsOnlyTheWholeExactSwitch) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<bool> nightShift;  // none: the client is unavailable
    int status;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"on", {"--amberloom-read-night-shift"}, true, 0, "on\n"},
      {"off", {"--amberloom-read-night-shift"}, false, 0, "off\n"},
      {"unavailable", {"--amberloom-read-night-shift"}, std::nullopt, 2, ""},
      {"anywhere in the list", {"-x", "file", "--amberloom-read-night-shift"}, true, 0, "on\n"},
      {"both switches: the read alone", {"--background-sync", "--amberloom-read-night-shift"}, false, 0, "off\n"},
  };
  // Nothing a start taken for the windowed one may reach a real server.
  th::ScriptedServer server;
  signIn(server);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.nightShift) {
      ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
      setNightShift(*c.nightShift);
    } else {
      ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
    }
    const auto result = runProcess(AMBERLOOM_APP_PATH, c.arguments, ends);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->timedOut);
    EXPECT_EQ(result->exitStatus, c.status);
    EXPECT_EQ(result->standardOutput, c.output);
  }
}

// What only looks like a switch starts the windowed application, which prints nothing.
TEST(AppSwitches, ArgumentsThatOnlyLookLikeASwitchStartTheWindow) {
  th::ScriptedServer server;
  signIn(server);
  setNightShift(true);
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--Amberloom-Read-Night-Shift"}, {"--amberloom-read-night-shift=1"}, {"--background-sync=now"}}) {
    SCOPED_TRACE(arguments.front());
    std::string output;
    EXPECT_TRUE(showsItsWindow(AMBERLOOM_APP_PATH, arguments, server, output));
    EXPECT_EQ(output, "");
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
  // Neither limit ends it: the run itself does.
  ::setenv(amberloom::kSyncAtLoginLimitVariable, "600000", 1);
  ::setenv(amberloom::kRequestIdleLimitVariable, "600000", 1);
  const auto result = runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, ends);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->timedOut);
  EXPECT_EQ(result->exitStatus, 0);
  EXPECT_TRUE(server.received().empty());
  EXPECT_FALSE(th::fileExists(pendingFile()));
}

// Against a server that never answers, the run ends by whichever comes first, its own limit or the
// requests' limit (each set short in its turn, the other ten minutes), with status 0 and nothing
// printed; when the requests give up, the upload that never got through waits for the next run.
TEST_F(BackgroundSyncRun, AgainstAServerThatNeverAnswersEndsAtItsLimitAndKeepsTheDocument) {
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  server.answer({.status = 200, .body = {}, .stall = true});
  const struct {
    const char* name;
    const char* runLimit;
    const char* requestLimit;
    bool runsToItsEnd;  // the run gives up by itself, having kept the document
  } cases[] = {
      {"the requests' limit", "600000", "500", true},
      {"the run's limit", "2000", "600000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(pendingFile());
    ::setenv(amberloom::kSyncAtLoginLimitVariable, c.runLimit, 1);
    ::setenv(amberloom::kRequestIdleLimitVariable, c.requestLimit, 1);
    const auto before = server.received().size();
    const auto result = runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, ends);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->timedOut);
    EXPECT_EQ(result->exitStatus, 0);
    EXPECT_EQ(result->standardOutput, "");
    if (!c.runsToItsEnd) continue;
    const auto received = server.received();
    ASSERT_GT(received.size(), before);
    EXPECT_EQ(received[before].method, "PUT");
    EXPECT_TRUE(th::fileExists(pendingFile()));
  }
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
  const auto result = runProcess("/usr/bin/env", {command.begin() + 1, command.end()}, ends);
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
  th::ScriptedServer server;
  signIn(server);
  std::string output;
  EXPECT_TRUE(showsItsWindow((folder / "AmberLoom").string(), {}, server, output));
}

}  // namespace
