#pragma once
// The enumerations of a catalogue entry. Each has a raw text equal to its case name, matched
// exactly (case included) when read from JSON.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom {

// The kind of value a setting takes; there is none for data or dates.
enum class SettingValueType { boolean, integer, real, string, dictionary, array };
// Through which channel a setting is read and written.
enum class SettingChannel { defaults, nightShift };
// Whether System Settings offers the setting too.
enum class SettingExposure { hidden, alsoInSystemSettings };
// Whether turning the setting on removes a protection macOS applies by default.
enum class SettingRisk { none, weakensSecurity };
// Offered for editing, or only carried (backed up and copied between Macs).
enum class SettingTier { editable, syncOnly };
// How advanced a setting is (SettingText.Level).
enum class SettingTextLevel { basic, advanced, expert };

std::string_view rawValue(SettingValueType value);  // "bool", "int", "double", "string", ...
std::string_view rawValue(SettingChannel value);
std::string_view rawValue(SettingExposure value);
std::string_view rawValue(SettingRisk value);
std::string_view rawValue(SettingTier value);
std::string_view rawValue(SettingTextLevel value);

// Exact, case-sensitive match of the raw texts; none otherwise.
std::optional<SettingValueType> settingValueType(std::string_view raw);
std::optional<SettingChannel> settingChannel(std::string_view raw);
std::optional<SettingExposure> settingExposure(std::string_view raw);
std::optional<SettingRisk> settingRisk(std::string_view raw);
std::optional<SettingTier> settingTier(std::string_view raw);
std::optional<SettingTextLevel> settingTextLevel(std::string_view raw);

// AmberloomCore.SettingValueType.bool
std::string describeValue(SettingValueType value);

}  // namespace amberloom
