#include "Changes/ShellCommand.hpp"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "Support/CanonicalText.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom {
namespace {

bool isBareCharacter(UChar32 c) {
  if (c == '.' || c == '_' || c == '-' || c == '/') return true;
  return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// The longest argument a command line takes here: 128 KiB, its closing NUL included (a Mac takes
// 1 MiB for all of them together). A longer one would stop the script at its line.
constexpr std::size_t kLongestArgument = 128 * 1024 - 1;

// Whether `word` can be one argument of a command line: an argument ends at a NUL.
bool fitsOneArgument(const std::string& word) {
  return word.find('\0') == std::string::npos && word.size() <= kLongestArgument;
}

// A comment ends at the first line feed, so every control character (and the Unicode line and
// paragraph separators, which editors show as breaks) becomes a blank. Bytes that are not valid
// UTF-8 are kept: none of them is a line feed.
std::string commentText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t i = 0;
  while (i < length) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    const auto category = c < 0 ? 0 : u_charType(c);
    if (c >= 0 && (category == U_CONTROL_CHAR || category == U_LINE_SEPARATOR || category == U_PARAGRAPH_SEPARATOR))
      out.push_back(' ');
    else
      out.append(text, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
  }
  return out;
}

template <typename T, typename Text>
void stableSortByText(std::vector<T>& values, Text text) {
  std::vector<std::pair<std::string, T>> keyed;
  keyed.reserve(values.size());
  for (auto& v : values) {
    auto key = canonicalForm(text(v));
    keyed.emplace_back(std::move(key), std::move(v));
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  values.clear();
  for (auto& [key, v] : keyed) values.push_back(std::move(v));
}

// "defaults [-currentHost ]<verb> <domain> <key>", or none when the setting has no one-line form.
std::optional<std::string> commandStart(const SettingDefinition& setting, const char* verb) {
  if (setting.channel == SettingChannel::nightShift || setting.ref.path.size() != 1) return std::nullopt;
  if (!fitsOneArgument(setting.ref.domain) || !fitsOneArgument(setting.ref.path[0])) return std::nullopt;
  std::string line = "defaults ";
  if (setting.ref.byHost) line += "-currentHost ";
  line += verb;
  line += ' ';
  line += ShellCommand::quoted(setting.ref.domain);
  line += ' ';
  line += ShellCommand::quoted(setting.ref.path[0]);
  return line;
}

}  // namespace

std::string ShellCommand::quoted(const std::string& word) {
  bool bare = !word.empty() && word.front() != '-';
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(word.data());
  const auto length = static_cast<std::int32_t>(word.size());
  for (std::int32_t i = 0; bare && i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    bare = c >= 0 && isBareCharacter(c);
  }
  if (bare) return word;
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

std::string ShellCommand::decimal(double value) {
  // Fixed notation with the fewest digits that read back as the same double; a six-digit rounding
  // would turn 0.1234567 into 0.123457 and one ten-millionth into 0.
  char buffer[512];  // the longest fixed form (the smallest subnormal) is about 330 characters
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

std::optional<std::string> ShellCommand::argument(const PreferenceValue& value) {
  switch (value.kind()) {
    case PreferenceValue::Kind::boolean:
      return std::string("-bool ") + (value.asBool() ? "true" : "false");
    case PreferenceValue::Kind::integer:
      return "-int " + std::to_string(value.asInt());
    case PreferenceValue::Kind::real:
      if (!std::isfinite(value.asDouble())) return std::nullopt;  // `defaults` takes no "nan" or "inf"
      return "-float " + decimal(value.asDouble());
    case PreferenceValue::Kind::string:
      if (!fitsOneArgument(value.asString())) return std::nullopt;
      return "-string " + quoted(value.asString());
    case PreferenceValue::Kind::data:
    case PreferenceValue::Kind::date:
    case PreferenceValue::Kind::dictionary:
    case PreferenceValue::Kind::array:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> ShellCommand::write(const SettingDefinition& setting, const PreferenceValue& value) {
  auto line = commandStart(setting, "write");
  if (!line) return std::nullopt;
  const auto argument = ShellCommand::argument(value);
  if (!argument) return std::nullopt;
  return *line + ' ' + *argument;
}

std::optional<std::string> ShellCommand::deleteCommand(const SettingDefinition& setting) {
  return commandStart(setting, "delete");
}

std::vector<std::string> ShellCommand::restarts(const SettingDefinition& setting) {
  std::vector<std::string> lines;
  lines.reserve(setting.restartsApps.size());
  for (const auto& app : setting.restartsApps) lines.push_back("killall " + quoted(app) + " || true");
  return lines;
}

std::string ShellCommand::script(const std::vector<Item>& items, double generatedOn) {
  std::vector<std::string> lines = {
      "#!/usr/bin/env bash",
      "# Written by AmberLoom on " + iso8601::formatWholeSeconds(generatedOn) + ".",
      "# Every line below is a setting you chose. Run it on a new Mac to get them back.",
      "set -e",
      "",
  };

  std::vector<const Item*> ordered;
  ordered.reserve(items.size());
  for (const auto& item : items) ordered.push_back(&item);
  stableSortByText(ordered, [](const Item* item) -> const std::string& { return item->setting.id; });

  std::vector<std::string> restartLines;
  std::vector<std::string> restartKeys;  // canonical forms, to keep one of equal lines
  std::vector<std::string> unwritten;
  for (const Item* item : ordered) {
    const auto command = write(item->setting, item->value);
    if (!command) {
      unwritten.push_back(item->setting.id);
      continue;
    }
    lines.push_back("# " + commentText(item->setting.label));
    lines.push_back(*command);
    for (auto& line : restarts(item->setting)) {
      auto key = canonicalForm(line);
      if (std::find(restartKeys.begin(), restartKeys.end(), key) != restartKeys.end()) continue;
      restartKeys.push_back(std::move(key));
      restartLines.push_back(std::move(line));
    }
  }

  if (!restartLines.empty()) {
    stableSortByText(restartLines, [](const std::string& line) -> const std::string& { return line; });
    lines.push_back("");
    lines.push_back("# Restart the apps that need it for the changes to show.");
    lines.insert(lines.end(), restartLines.begin(), restartLines.end());
  }
  if (!unwritten.empty()) {
    stableSortByText(unwritten, [](const std::string& id) -> const std::string& { return id; });
    lines.push_back("");
    lines.push_back("# These could not be written as one-line commands:");
    for (const auto& id : unwritten) lines.push_back("#   " + commentText(id));
  }

  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace amberloom
