#include "Preferences/NightShiftVerifier.hpp"

#include <cstdio>
#include <cstdlib>

#include "Preferences/NightShiftClient.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Support/WaitLimit.hpp"

namespace amberloom {

std::chrono::milliseconds NightShiftVerifier::standardWaitLimit() {
  return waitLimit(kReadBackLimitVariable, defaultWaitLimit);
}

NightShiftVerifier NightShiftVerifier::forCurrentExecutable() {
  return NightShiftVerifier(platform::currentExecutablePath());
}

void NightShiftVerifier::handleReadArgumentIfPresent(const std::vector<std::string>& arguments) {
  bool present = false;
  for (const auto& argument : arguments) present = present || argument == readArgument;
  if (!present) return;
  const auto client = NightShiftClient::create();
  const auto enabled = client ? client->isEnabled() : std::nullopt;
  if (!enabled) std::_Exit(2);
  std::fputs(*enabled ? "on\n" : "off\n", stdout);
  std::fflush(stdout);
  std::_Exit(0);
}

void NightShiftVerifier::handleReadArgumentIfPresent(int argc, char** argv) {
  handleReadArgumentIfPresent(std::vector<std::string>(argv, argv + argc));
}

std::optional<bool> NightShiftVerifier::enabledFromSeparateProcess() const {
  if (!executablePath_ || !platform::isExecutableFile(*executablePath_)) return std::nullopt;
  const auto result = platform::runProcess(*executablePath_, {readArgument}, waitLimit_);
  if (!result || result->timedOut || result->exitStatus != 0) return std::nullopt;
  // Trim whitespace and newlines at both ends; the word must match exactly.
  std::string text = result->standardOutput;
  const auto isSpace = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; };
  while (!text.empty() && isSpace(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && isSpace(text[start])) ++start;
  text.erase(0, start);
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

}  // namespace amberloom
