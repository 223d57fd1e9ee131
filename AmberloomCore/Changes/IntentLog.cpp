#include "Changes/IntentLog.hpp"

#include <algorithm>
#include <filesystem>

#include "Platform/AtomicFile.hpp"
#include "Platform/FolderLock.hpp"
#include "Support/CanonicalText.hpp"
#include "Platform/HomeDirectory.hpp"

namespace amberloom {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kQuarantinePrefix = "intents.corrupt-";
constexpr std::string_view kQuarantineSuffix = ".json";

// "yyyy-MM-dd-HHmmss" in UTC, from the one ISO-8601 formatter ("2024-03-05T14:07:09Z").
std::string quarantineStamp(double secondsSinceReferenceDate) {
  std::string stamp;
  for (char c : iso8601::formatWholeSeconds(secondsSinceReferenceDate)) {
    if (c == 'T') stamp.push_back('-');
    else if (c != ':' && c != 'Z') stamp.push_back(c);
  }
  return stamp;
}

// Something already stands at `path`, a dangling link included, so a move must not go there.
bool occupied(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

enum class ReadResult { missing, decoded, unreadable };

ReadResult readIntents(const std::string& path, std::vector<RecordedIntent>& intents) {
  std::error_code ec;
  std::string bytes;
  if (fs::is_directory(path, ec) || !platform::readWholeFile(path, bytes)) return ReadResult::missing;
  try {
    const Json json = parseJson(bytes);
    const Json& list = requireArray(json, {});
    intents.clear();
    for (std::size_t i = 0; i < list.size(); ++i) intents.push_back(RecordedIntent::fromJson(list[i], appending({}, i)));
    return ReadResult::decoded;
  } catch (const DecodingError&) {
    intents.clear();
    return ReadResult::unreadable;
  }
}

}  // namespace

Json RecordedIntent::toJson() const {
  Json json{{"settingID", settingID}, {"at", at}, {"osBuild", osBuild}};
  if (value) json["value"] = value->toJson();
  return json;
}

RecordedIntent RecordedIntent::fromJson(const Json& json, const CodingPath& path) {
  RecordedIntent intent;
  intent.settingID = requiredString(json, "settingID", path);
  if (const Json* v = optionalMember(json, "value")) intent.value = PreferenceValue::fromJson(*v, appending(path, "value"));
  intent.at = decodeDouble(member(json, "at", path), appending(path, "at"));
  intent.osBuild = requiredString(json, "osBuild", path);
  return intent;
}

Json PriorIntent::toJson() const {
  Json json{{"settingID", settingID}};
  if (record) json["record"] = record->toJson();
  return json;
}

PriorIntent PriorIntent::fromJson(const Json& json, const CodingPath& path) {
  PriorIntent prior{requiredString(json, "settingID", path), std::nullopt};
  if (const Json* v = optionalMember(json, "record")) prior.record = RecordedIntent::fromJson(*v, appending(path, "record"));
  return prior;
}

IntentLog::IntentLog(std::string path, std::string osBuild, Clock clock)
    : path_(std::move(path)), osBuild_(std::move(osBuild)), clock_(std::move(clock)) {}

IntentLog IntentLog::standard(std::string osBuild) {
  const std::string folder = platform::applicationSupportDirectory() + "/AmberLoom";
  platform::createPrivateFolders(folder);
  return IntentLog(folder + "/" + std::string(fileName), std::move(osBuild));
}

std::string IntentLog::folder() const {
  const fs::path parent = fs::path(path_).parent_path();
  return parent.empty() ? "." : parent.string();
}

std::vector<RecordedIntent> IntentLog::all() const {
  std::vector<RecordedIntent> intents;
  if (readIntents(path_, intents) == ReadResult::unreadable) quarantine();
  return intents;
}

std::vector<RecordedIntent> IntentLog::newestFirst() const {
  auto intents = all();
  std::stable_sort(intents.begin(), intents.end(), [](const auto& a, const auto& b) { return a.at > b.at; });
  return intents;
}

std::optional<RecordedIntent> IntentLog::intent(const std::string& settingID) const {
  for (auto& intent : all())
    if (canonicallyEqual(intent.settingID, settingID)) return std::move(intent);
  return std::nullopt;
}

RecordedIntent IntentLog::record(const std::string& settingID, std::optional<PreferenceValue> value) const {
  return record({{settingID, std::move(value)}}).front();
}

std::vector<RecordedIntent> IntentLog::record(
    const std::vector<std::pair<std::string, std::optional<PreferenceValue>>>& choices) const {
  std::vector<RecordedIntent> entries;
  entries.reserve(choices.size());
  for (const auto& [settingID, value] : choices) entries.push_back({settingID, value, clock_(), osBuild_});
  if (entries.empty()) return entries;
  update([&](std::vector<RecordedIntent>& intents) {
    for (const auto& entry : entries) {
      std::erase_if(intents, [&](const RecordedIntent& intent) { return canonicallyEqual(intent.settingID, entry.settingID); });
      intents.push_back(entry);
    }
  });
  return entries;
}

void IntentLog::forget(const std::string& settingID) const { putBack({{settingID, std::nullopt}}); }

std::vector<PriorIntent> IntentLog::records(const std::vector<std::string>& settingIDs) const {
  const auto intents = all();
  std::vector<PriorIntent> result;
  for (const auto& id : settingIDs) {
    const auto seen = [&](const PriorIntent& prior) { return canonicallyEqual(prior.settingID, id); };
    if (std::any_of(result.begin(), result.end(), seen)) continue;
    const auto found = std::find_if(intents.begin(), intents.end(),
                                    [&](const RecordedIntent& intent) { return canonicallyEqual(intent.settingID, id); });
    result.push_back({id, found == intents.end() ? std::nullopt : std::optional(*found)});
  }
  return result;
}

void IntentLog::putBack(const std::vector<PriorIntent>& records) const {
  update([&](std::vector<RecordedIntent>& intents) {
    for (const auto& prior : records) {
      std::erase_if(intents, [&](const RecordedIntent& intent) { return canonicallyEqual(intent.settingID, prior.settingID); });
      if (prior.record) intents.push_back(*prior.record);
    }
  });
}

void IntentLog::update(const std::function<void(std::vector<RecordedIntent>&)>& change) const {
  // Held across the read and the replacement: another process's change in between would be lost.
  const platform::FolderLock lock(folder());
  auto intents = all();
  change(intents);
  write(intents);
}

std::vector<std::string> IntentLog::quarantinedFiles() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(kQuarantinePrefix) && name.ends_with(kQuarantineSuffix)) names.push_back(name);
  }
  if (ec) return {};
  std::sort(names.begin(), names.end());
  return names;
}

void IntentLog::quarantine() const {
  const std::string base = std::string(kQuarantinePrefix) + quarantineStamp(clock_());
  const fs::path folderPath(folder());
  fs::path target = folderPath / (base + std::string(kQuarantineSuffix));
  for (int n = 2; occupied(target); ++n)
    target = folderPath / (base + "-" + std::to_string(n) + std::string(kQuarantineSuffix));
  // A failed move leaves the bad file in place; the next record or forget replaces it.
  std::error_code ec;
  fs::rename(path_, target, ec);
}

void IntentLog::write(const std::vector<RecordedIntent>& intents) const {
  try {
    Json list = Json::array();
    for (const auto& intent : intents) list.push_back(intent.toJson());
    platform::writeFileAtomically(path_, writeJson(list, JsonStyle::compact));
  } catch (const JsonWriteError&) {
  } catch (const platform::FileWriteError&) {
  }
}

}  // namespace amberloom
