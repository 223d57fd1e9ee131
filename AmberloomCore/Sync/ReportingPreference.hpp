#pragma once
// The user's consent to anonymous self-test result reports, kept in the application's
// preferences. Given unless the user said no.

#include "Preferences/UserDefaults.hpp"

namespace amberloom {

struct ReportingPreference {
  ReportingPreference() = delete;

  static constexpr const char* defaultsKey = "sendsAnonymousReports";

  // The stored value read as a Boolean (a number or a text counts, see UserDefaults); true when
  // absent or not readable as one. Never throws.
  static bool isEnabled(const UserDefaults& defaults) noexcept;
  // Throws as UserDefaults::set does.
  static void set(bool enabled, UserDefaults& defaults);
};

}  // namespace amberloom
