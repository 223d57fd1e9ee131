#include "Catalog/SettingValueType.hpp"

#include <array>

#include "Support/ErrorDescription.hpp"

namespace amberloom {
namespace {

constexpr std::array<std::string_view, 6> kValueTypes{"bool", "int", "double", "string", "dictionary", "array"};
constexpr std::array<std::string_view, 2> kChannels{"defaults", "nightShift"};
constexpr std::array<std::string_view, 2> kExposures{"hidden", "alsoInSystemSettings"};
constexpr std::array<std::string_view, 2> kRisks{"none", "weakensSecurity"};
constexpr std::array<std::string_view, 2> kTiers{"editable", "syncOnly"};
constexpr std::array<std::string_view, 3> kLevels{"basic", "advanced", "expert"};

template <typename Enum, std::size_t N>
std::optional<Enum> match(const std::array<std::string_view, N>& names, std::string_view raw) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == raw) return static_cast<Enum>(i);
  return std::nullopt;
}

}  // namespace

std::string_view rawValue(SettingValueType value) { return kValueTypes[static_cast<std::size_t>(value)]; }
std::string_view rawValue(SettingChannel value) { return kChannels[static_cast<std::size_t>(value)]; }
std::string_view rawValue(SettingExposure value) { return kExposures[static_cast<std::size_t>(value)]; }
std::string_view rawValue(SettingRisk value) { return kRisks[static_cast<std::size_t>(value)]; }
std::string_view rawValue(SettingTier value) { return kTiers[static_cast<std::size_t>(value)]; }
std::string_view rawValue(SettingTextLevel value) { return kLevels[static_cast<std::size_t>(value)]; }

std::optional<SettingValueType> settingValueType(std::string_view raw) { return match<SettingValueType>(kValueTypes, raw); }
std::optional<SettingChannel> settingChannel(std::string_view raw) { return match<SettingChannel>(kChannels, raw); }
std::optional<SettingExposure> settingExposure(std::string_view raw) { return match<SettingExposure>(kExposures, raw); }
std::optional<SettingRisk> settingRisk(std::string_view raw) { return match<SettingRisk>(kRisks, raw); }
std::optional<SettingTier> settingTier(std::string_view raw) { return match<SettingTier>(kTiers, raw); }
std::optional<SettingTextLevel> settingTextLevel(std::string_view raw) { return match<SettingTextLevel>(kLevels, raw); }

std::string describeValue(SettingValueType value) { return describe::enumValue("SettingValueType", rawValue(value)); }

}  // namespace amberloom
