// Each wait for the outside world keeps its standard length unless the environment sets another,
// and nothing but a whole number of milliseconds up to a week counts.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <functional>

#include "Account/AccountClient.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "Support/WaitLimit.hpp"
#include "Sync/BackgroundSync.hpp"

using namespace amberloom;
using namespace std::chrono_literals;

TEST(WaitLimit, EachWaitKeepsItsStandardLengthUnlessTheEnvironmentSetsAWholeNumberOfMilliseconds) {
  const struct {
    const char* name;
    const char* variable;
    std::function<std::chrono::milliseconds()> current;
    std::chrono::milliseconds standard;
  } waits[] = {
      {"read-back", kReadBackLimitVariable, [] { return ExternalVerifier::standardWaitLimit(); }, 10s},
      {"Night Shift read-back", kReadBackLimitVariable, [] { return NightShiftVerifier::standardWaitLimit(); }, 10s},
      {"quiet request", kRequestIdleLimitVariable, [] { return AccountClient::currentIdleTimeout(); }, 20s},
      {"sync at login", kSyncAtLoginLimitVariable, [] { return BackgroundSync::currentTimeLimit(); }, 60s},
  };
  const struct {
    const char* value;  // none: unset
    std::optional<std::chrono::milliseconds> set;  // none: the standard length
  } values[] = {
      {nullptr, std::nullopt}, {"1500", 1500ms}, {"1", 1ms}, {"604800000", std::chrono::hours(24 * 7)},
      {"", std::nullopt}, {"0", std::nullopt}, {"-5", std::nullopt}, {"15s", std::nullopt}, {" 15", std::nullopt},
      {"1e3", std::nullopt}, {"604800001", std::nullopt}, {"99999999999999999999999", std::nullopt},
  };
  for (const auto& wait : waits)
    for (const auto& v : values) {
      if (v.value) {
        ::setenv(wait.variable, v.value, 1);
      } else {
        ::unsetenv(wait.variable);
      }
      EXPECT_EQ(wait.current(), v.set.value_or(wait.standard)) << wait.name << ": " << (v.value ? v.value : "unset");
    }
}
