#pragma once
// How long the system waits for something outside it before it gives up: a read-back, an account
// request that has gone quiet, the run of sync at login, the running window's answer to a second
// start. Each wait has its standard length; an environment variable of its own may set another,
// a whole number of milliseconds from 1 to a week, for the tests that run the built executables
// on machines of any speed: short to reach a limit at once, long where a loaded machine must not
// reach it. Anything else in the variable leaves the standard length.

#include <chrono>

namespace amberloom {

// The variables, one for each kind of wait (its standard length beside it).
inline constexpr const char* kReadBackLimitVariable = "AMBERLOOM_READ_BACK_LIMIT_MS";        // 10 s
inline constexpr const char* kRequestIdleLimitVariable = "AMBERLOOM_REQUEST_IDLE_LIMIT_MS";  // 20 s
inline constexpr const char* kSyncAtLoginLimitVariable = "AMBERLOOM_SYNC_AT_LOGIN_LIMIT_MS"; // 60 s
inline constexpr const char* kSecondStartLimitVariable = "AMBERLOOM_SECOND_START_LIMIT_MS";  // 10 s

// The limit in force for the wait that `variable` names.
std::chrono::milliseconds waitLimit(const char* variable, std::chrono::milliseconds standard);

}  // namespace amberloom
