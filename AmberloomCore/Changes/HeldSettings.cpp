#include "Changes/HeldSettings.hpp"

#include <filesystem>

#include "Changes/IntentLog.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/FolderLock.hpp"
#include "Support/Json.hpp"

namespace amberloom {

namespace {

constexpr const char* kTookBack = "tookBack";
constexpr const char* kDeclined = "declined";

// None: the file is there but is not a list of holds.
std::optional<HeldSettings::Holds> readHolds(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return HeldSettings::Holds{};
  std::string bytes;
  if (!platform::readWholeFile(path, bytes)) return std::nullopt;
  try {
    const Json json = parseJson(bytes);
    const Json& list = requireArray(member(requireObject(json, {}), "held", {}), {"held"});
    HeldSettings::Holds holds;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const CodingPath at{"held", std::to_string(i)};
      const std::string id = requiredString(list[i], "settingID", at);
      SettingHold hold;
      // A kind a later build wrote still holds: it was some decision made here.
      const Json* why = optionalMember(list[i], "why");
      hold.why = why && why->is_string() && why->get<std::string>() == kDeclined ? SettingHold::Why::declined
                                                                                  : SettingHold::Why::tookBack;
      if (const Json* time = optionalMember(list[i], "at"); time && time->is_number()) hold.at = time->get<double>();
      holds.insert_or_assign(id, hold);
    }
    return holds;
  } catch (const DecodingError&) {
    return std::nullopt;
  }
}

std::string textOf(const HeldSettings::Holds& holds) {
  Json list = Json::array();
  for (const auto& [id, hold] : holds)
    list.push_back(Json{{"settingID", id},
                        {"why", hold.why == SettingHold::Why::declined ? kDeclined : kTookBack},
                        {"at", hold.at}});
  return writeJson(Json{{"held", std::move(list)}}, JsonStyle::compact);
}

}  // namespace

HeldSettings::HeldSettings(std::string path, Clock clock) : path_(std::move(path)), clock_(std::move(clock)) {}

std::optional<HeldSettings::Holds> HeldSettings::all() const { return readHolds(path_); }

void HeldSettings::hold(const std::vector<std::string>& settingIDs, SettingHold::Why why) const {
  if (settingIDs.empty()) return;
  const double now = clock_();
  change([&](Holds& holds) {
    for (const auto& id : settingIDs) holds.insert_or_assign(id, SettingHold{why, now});
    return true;
  });
}

void HeldSettings::release(const std::vector<std::string>& settingIDs) const {
  if (settingIDs.empty()) return;
  change([&](Holds& holds) {
    bool changed = false;
    for (const auto& id : settingIDs) changed |= holds.erase(id) > 0;
    return changed;
  });
}

void HeldSettings::change(const std::function<bool(Holds&)>& edit) const {
  const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
  // Held across the read and the write: another process's hold in between would be lost.
  const platform::FolderLock lock(parent.empty() ? "." : parent.string());
  if (!lock.locked()) throw HistoryWriteError(path_, "its folder cannot be locked (" + lock.error().message() + ")");
  auto holds = readHolds(path_);
  // Replacing it would drop decisions it may hold; every setting stays held meanwhile.
  if (!holds) throw HistoryWriteError(path_, "the unreadable holds in its place are kept");
  if (!edit(*holds)) return;
  try {
    platform::writeFileAtomically(path_, textOf(*holds));
  } catch (const platform::FileWriteError& error) {
    throw HistoryWriteError(path_, error.reason());
  }
}

}  // namespace amberloom
