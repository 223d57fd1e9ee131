#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "Preferences/NightShiftClient.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "Platform/ProcessRunner.hpp"
#include "TestHome.hpp"

using amberloom::NightShiftClient;
using amberloom::NightShiftVerifier;
namespace platform = amberloom::platform;
namespace test = amberloom::testing;

namespace {

std::string stateFile() { return test::preferencesFile("com.apple.CoreBrightness"); }

// The stored flag as the file on disk holds it.
std::optional<platform::PlistObject> storedFlag() {
  const auto file = test::readPlistFile(stateFile());
  if (!file || !file->is<platform::PlistDictionary>()) return std::nullopt;
  const auto& members = file->as<platform::PlistDictionary>();
  const auto found = members.find("BlueReductionEnabled");
  if (found == members.end()) return std::nullopt;
  return found->second;
}

// This test binary, run again with `arguments`.
platform::ProcessResult runSelf(const std::vector<std::string>& arguments) {
  auto result = platform::runProcess(platform::currentExecutablePath(), arguments);
  if (!result) throw std::runtime_error("cannot re-run the test binary");
  return *result;
}

}  // namespace

TEST(NightShiftClient, SwitchesTheStoredStateAndPutsOffBackAsTheFlagsAbsence) {
  const auto client = NightShiftClient::create();
  ASSERT_TRUE(client.has_value());
  EXPECT_EQ(client->isEnabled(), false);  // no state stored yet: off
  EXPECT_TRUE(client->setEnabled(false));
  EXPECT_FALSE(test::fileExists(stateFile())) << "off where nothing was stored stores nothing";
  EXPECT_TRUE(client->setEnabled(true));
  EXPECT_EQ(storedFlag(), platform::PlistObject(true));
  EXPECT_EQ(client->isEnabled(), true);
  EXPECT_TRUE(client->setEnabled(false));
  EXPECT_EQ(storedFlag(), std::nullopt);
  EXPECT_FALSE(test::fileExists(stateFile())) << "a file that held only the flag goes with it";
  EXPECT_EQ(client->isEnabled(), false);
}

TEST(NightShiftClient, UnavailableWhenTheStateCannotBeRead) {
  test::writeFile(stateFile(), "not a property list");
  EXPECT_FALSE(NightShiftClient::create().has_value());
  EXPECT_FALSE(NightShiftClient::isAvailable());
  EXPECT_EQ(test::readFile(stateFile()), "not a property list");
}

TEST(NightShiftClient, UnavailableWhenTheEnvironmentSaysSo) {
  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
  EXPECT_FALSE(NightShiftClient::create().has_value());
  EXPECT_FALSE(NightShiftClient::isAvailable());
  // The read-back run inherits the setting and reports an unreadable state.
  EXPECT_EQ(runSelf({NightShiftVerifier::readArgument}).exitStatus, 2);
  EXPECT_FALSE(NightShiftVerifier::forCurrentExecutable().enabledFromSeparateProcess().has_value());
  ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
  EXPECT_TRUE(NightShiftClient::isAvailable());
}

TEST(NightShiftVerifier, SeparateRunOfThisBinaryReportsTheState) {
  const auto client = NightShiftClient::create();
  ASSERT_TRUE(client.has_value());
  const NightShiftVerifier verifier = NightShiftVerifier::forCurrentExecutable();
  ASSERT_TRUE(client->setEnabled(true));
  EXPECT_EQ(verifier.enabledFromSeparateProcess(), true);
  ASSERT_TRUE(client->setEnabled(false));
  EXPECT_EQ(verifier.enabledFromSeparateProcess(), false);
}

TEST(NightShiftVerifier, OnlyTheExactSwitchTriggersTheReadBack) {
  // The switch anywhere in the list answers and exits before any test runs.
  const auto anywhere = runSelf({"--gtest_list_tests", NightShiftVerifier::readArgument});
  EXPECT_EQ(anywhere.exitStatus, 0);
  EXPECT_EQ(anywhere.standardOutput, "off\n");
  // A longer argument that merely begins with the switch is an ordinary argument.
  const auto suffixed = runSelf({"--gtest_list_tests", std::string(NightShiftVerifier::readArgument) + "=1"});
  EXPECT_EQ(suffixed.exitStatus, 0);
  EXPECT_NE(suffixed.standardOutput.find("NightShiftVerifier."), std::string::npos);
}

TEST(NightShiftVerifier, ReadsOnlyTheTrimmedWordsOnAndOff) {
  struct Case {
    const char* script;
    std::optional<bool> state;
  };
  const Case cases[] = {
      {"printf ' on \\n\\n'", true},
      {"printf '\\n\\toff\\r\\n'", false},
      {"printf 'ON\\n'", std::nullopt},
      {"printf '1\\n'", std::nullopt},
      {"printf 'on\\noff\\n'", std::nullopt},
      {"printf 'on\\n'; exit 2", std::nullopt},
      {"printf 'on\\n'; echo 'oops' >&2", true},
  };
  const std::string path = test::home() + "/bin/fake-app";
  for (const auto& c : cases) {
    test::writeExecutable(path, std::string("#!/bin/sh\n[ \"$1\" = --amberloom-read-night-shift ] || exit 9\n") +
                                       c.script + "\n");
    EXPECT_EQ(NightShiftVerifier(path).enabledFromSeparateProcess(), c.state) << c.script;
  }
}

TEST(NightShiftVerifier, ReadBackThatDoesNotFinishInTimeGivesNone) {
  const auto path = test::writeExecutable(test::home() + "/bin/stalled-app", "#!/bin/sh\necho on\nsleep 30\n");
  EXPECT_FALSE(NightShiftVerifier(path, std::chrono::milliseconds(300)).enabledFromSeparateProcess().has_value());
}

TEST(NightShiftVerifier, NoUsableExecutableGivesNone) {
  test::writeFile(test::home() + "/plain-file", "#!/bin/sh\necho on\n");  // not executable
  for (const auto& path : {std::optional<std::string>(), std::optional(test::home() + "/missing"),
                           std::optional(test::home() + "/plain-file"), std::optional(test::home())})
    EXPECT_FALSE(NightShiftVerifier(path).enabledFromSeparateProcess().has_value()) << path.value_or("none");
}
