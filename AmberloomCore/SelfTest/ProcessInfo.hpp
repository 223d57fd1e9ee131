#pragma once
// The macOS build read from the process information's version text.

#include <string>

namespace amberloom {

// What the process knows about the system it runs on.
struct ProcessInfo {
  std::string operatingSystemVersionString;  // "Version 14.5 (Build 23F79)"

  // The macOS this build reports: version 14.5 and build "23F79" unless AMBERLOOM_MACOS_VERSION or
  // AMBERLOOM_MACOS_BUILD say otherwise.
  static ProcessInfo current();
};

// The text between the first "Build " and the next ")"; empty when either is missing. Never fails.
std::string currentOSBuild(const ProcessInfo& processInfo);

}  // namespace amberloom
