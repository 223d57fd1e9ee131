#include "Changes/IntentLog.hpp"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "Platform/AtomicFile.hpp"
#include "Platform/FileIdentity.hpp"
#include "Platform/FolderLock.hpp"
#include "Support/CanonicalText.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Support/Log.hpp"

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

// The history as one reading of the file: each entry with its compact JSON text (what the file
// holds of it) and the canonical form of its setting id, which setting ids compare by.
struct IntentLog::Contents {
  struct Entry {
    RecordedIntent intent;
    std::string text;
    std::string key;
  };
  std::vector<std::shared_ptr<const Entry>> entries;
  std::unordered_map<std::string, std::size_t> firstOf;  // the first entry of each key

  explicit Contents(std::vector<std::shared_ptr<const Entry>> all) : entries(std::move(all)) {
    for (std::size_t i = 0; i < entries.size(); ++i) firstOf.try_emplace(entries[i]->key, i);
  }
  // The entry of a record; none when its value has no JSON form.
  static std::shared_ptr<const Entry> entryOf(RecordedIntent intent) {
    try {
      std::string text = writeJson(intent.toJson(), JsonStyle::compact);
      std::string key = canonicalForm(intent.settingID);
      return std::make_shared<const Entry>(Entry{std::move(intent), std::move(text), std::move(key)});
    } catch (const JsonWriteError&) {
      log::dropped(log::Area::changes, "The change of " + intent.settingID + " has no JSON form to keep",
                   log::Level::info);
      return nullptr;
    }
  }
  const Entry* first(const std::string& settingID) const {
    const auto found = firstOf.find(canonicalForm(settingID));
    return found == firstOf.end() ? nullptr : entries[found->second].get();
  }
};

// What the file held when last read or written, shared by copies of a log. Any thread.
class IntentLog::Cache {
 public:
  std::shared_ptr<const Contents> find(const platform::FileIdentity& identity) const {
    std::lock_guard lock(mutex_);
    return identity_ == identity ? contents_ : nullptr;
  }
  void keep(const platform::FileIdentity& identity, std::shared_ptr<const Contents> contents) {
    std::lock_guard lock(mutex_);
    identity_ = identity;
    contents_ = std::move(contents);
  }

 private:
  mutable std::mutex mutex_;
  std::optional<platform::FileIdentity> identity_;
  std::shared_ptr<const Contents> contents_;
};

IntentLog::IntentLog(std::string path, std::string osBuild, Clock clock)
    : path_(std::move(path)), osBuild_(std::move(osBuild)), clock_(std::move(clock)),
      cache_(std::make_shared<Cache>()) {}

IntentLog IntentLog::standard(std::string osBuild) {
  const std::string folder = platform::applicationSupportDirectory() + "/AmberLoom";
  platform::createPrivateFolders(folder);
  return IntentLog(folder + "/" + std::string(fileName), std::move(osBuild));
}

std::string IntentLog::folder() const {
  const fs::path parent = fs::path(path_).parent_path();
  return parent.empty() ? "." : parent.string();
}

std::shared_ptr<const IntentLog::Contents> IntentLog::load() const {
  std::error_code ec;
  // No file, or a folder in its place, is a history without entries.
  if (!occupied(path_) || fs::is_directory(path_, ec)) return std::make_shared<const Contents>(Contents({}));
  bool settled = false;
  const auto identity = platform::identifyFile(path_, settled);
  if (identity)
    if (auto cached = cache_->find(*identity)) return cached;
  std::string bytes;
  if (!platform::readWholeFile(path_, bytes)) return nullptr;
  std::vector<std::shared_ptr<const Contents::Entry>> entries;
  try {
    const Json json = parseJson(bytes);
    const Json& list = requireArray(json, {});
    entries.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      auto entry = Contents::entryOf(RecordedIntent::fromJson(list[i], appending({}, i)));
      if (!entry) throw DecodingError(DecodingError::Kind::dataCorrupted, {std::to_string(i)}, "not storable");
      entries.push_back(std::move(entry));
    }
  } catch (const DecodingError&) {
    log::dropped(log::Area::changes, "The change history " + path_ + " does not read as one", log::Level::info);
    return nullptr;
  }
  auto contents = std::make_shared<const Contents>(Contents(std::move(entries)));
  // Another writer's file is kept once settled (see FileIdentity).
  if (identity && settled) cache_->keep(*identity, contents);
  return contents;
}

std::vector<RecordedIntent> IntentLog::all() const {
  const auto contents = load();
  if (!contents) {
    quarantine();
    return {};
  }
  std::vector<RecordedIntent> intents;
  intents.reserve(contents->entries.size());
  for (const auto& entry : contents->entries) intents.push_back(entry->intent);
  return intents;
}

std::vector<RecordedIntent> IntentLog::newestFirst() const {
  auto intents = all();
  std::stable_sort(intents.begin(), intents.end(), [](const auto& a, const auto& b) { return a.at > b.at; });
  return intents;
}

std::optional<RecordedIntent> IntentLog::intent(const std::string& settingID) const {
  return records({settingID}).front().record;
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
  std::vector<PriorIntent> replaced;
  replaced.reserve(entries.size());
  for (const auto& entry : entries) replaced.push_back({entry.settingID, entry});
  update(replaced);
  return entries;
}

void IntentLog::forget(const std::string& settingID) const { putBack({{settingID, std::nullopt}}); }

std::vector<PriorIntent> IntentLog::records(const std::vector<std::string>& settingIDs) const {
  auto contents = load();
  if (!contents) {
    quarantine();
    contents = std::make_shared<const Contents>(Contents({}));
  }
  std::vector<PriorIntent> result;
  std::unordered_set<std::string> seen;
  for (const auto& id : settingIDs) {
    if (!seen.insert(canonicalForm(id)).second) continue;
    const auto* entry = contents->first(id);
    result.push_back({id, entry ? std::optional(entry->intent) : std::nullopt});
  }
  return result;
}

void IntentLog::putBack(const std::vector<PriorIntent>& records) const { update(records); }

void IntentLog::update(const std::vector<PriorIntent>& replaced) const {
  // Held across the read and the replacement: another process's change in between would be lost.
  const platform::FolderLock lock(folder());
  if (!lock.locked()) throw HistoryWriteError(path_, "its folder cannot be locked (" + lock.error().message() + ")");
  auto contents = load();
  if (!contents) {
    quarantine();
    // Still there: replacing it would lose what it holds.
    if (occupied(path_)) throw HistoryWriteError(path_, "the unreadable history in its place cannot be moved aside");
    contents = std::make_shared<const Contents>(Contents({}));
  }
  std::unordered_set<std::string> keys;
  for (const auto& prior : replaced) keys.insert(canonicalForm(prior.settingID));
  std::vector<std::shared_ptr<const Contents::Entry>> entries;
  entries.reserve(contents->entries.size() + replaced.size());
  for (const auto& entry : contents->entries)
    if (!keys.contains(entry->key)) entries.push_back(entry);
  const std::size_t added = entries.size();
  for (const auto& prior : replaced) {
    if (!prior.record) continue;
    auto entry = Contents::entryOf(*prior.record);
    if (!entry) continue;
    // A setting given twice keeps its later record only, at the end.
    const auto earlier = std::find_if(entries.begin() + static_cast<std::ptrdiff_t>(added), entries.end(),
                                      [&](const auto& other) { return other->key == entry->key; });
    if (earlier != entries.end()) entries.erase(earlier);
    entries.push_back(std::move(entry));
  }

  std::string text = "[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) text.push_back(',');
    text += entries[i]->text;
  }
  text.push_back(']');
  try {
    platform::writeFileAtomically(path_, text);
  } catch (const platform::FileWriteError& error) {
    throw HistoryWriteError(path_, error.what());
  }
  // The file just written is kept at once: under the folder's lock no one else replaced it, and a
  // writer after the lock makes a file of another inode.
  bool settled = false;
  if (const auto identity = platform::identifyFile(path_, settled))
    cache_->keep(*identity, std::make_shared<const Contents>(Contents(std::move(entries))));
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
  // A failed move leaves the bad file in place, and no change replaces it.
  std::error_code ec;
  fs::rename(path_, target, ec);
  if (ec)
    log::warning(log::Area::changes,
                 "The unreadable change history " + path_ + " cannot be moved aside: " + ec.message());
  else
    log::warning(log::Area::changes, "The unreadable change history was moved aside as " + target.string());
}

}  // namespace amberloom
