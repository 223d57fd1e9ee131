#include "Changes/IntentLog.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include "Platform/AtomicFile.hpp"
#include "Platform/FileIdentity.hpp"
#include "Platform/FolderLock.hpp"
#include "Support/CanonicalText.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Support/Log.hpp"
#include "Support/Repeats.hpp"

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
  // Members put in place, not listed: a list's members are copied, and a batch records thousands.
  Json json = Json::object();
  auto& members = json.get_ref<Json::object_t&>();
  members.emplace("settingID", settingID);
  members.emplace("at", at);
  members.emplace("osBuild", osBuild);
  if (value) members.emplace("value", value->toJson());
  return json;
}

void RecordedIntent::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject().key("at").number(at).key("osBuild").string(osBuild).key("settingID").string(settingID);
  if (value) value->writeJsonTo(out.key("value"));
  out.endObject();
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
  Json json = Json::object();
  auto& members = json.get_ref<Json::object_t&>();
  members.emplace("settingID", settingID);
  if (record) members.emplace("record", record->toJson());
  return json;
}

void PriorIntent::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject();
  if (record && written && written->intent == *record)
    out.key("record").written(written->text);
  else if (record)
    record->writeJsonTo(out.key("record"));
  out.key("settingID").string(settingID).endObject();
}

PriorIntent PriorIntent::fromJson(const Json& json, const CodingPath& path) {
  PriorIntent prior{requiredString(json, "settingID", path), std::nullopt};
  if (const Json* v = optionalMember(json, "record")) prior.record = RecordedIntent::fromJson(*v, appending(path, "record"));
  return prior;
}

namespace {

// One entry of the history: the record, its compact JSON text (what the file holds of it) and the
// canonical form of its setting id, which setting ids compare by.
struct HistoryEntry : WrittenRecord {
  std::string key;

  // The entry of a record; none when its value has no JSON form.
  static std::shared_ptr<const HistoryEntry> of(RecordedIntent intent) {
    try {
      std::string text;
      // Room for the members' names and numbers besides the texts, so the text grows at most once.
      text.reserve(96 + intent.settingID.size() + intent.osBuild.size());
      JsonTextWriter writer(text);
      intent.writeJsonTo(writer);
      std::string key = canonicalForm(intent.settingID);
      return std::make_shared<const HistoryEntry>(HistoryEntry{{std::move(intent), std::move(text)}, std::move(key)});
    } catch (const JsonWriteError&) {
      log::dropped(log::Area::changes, "The change of " + intent.settingID + " has no JSON form to keep",
                   log::Level::info);
      return nullptr;
    }
  }
};

using EntryRef = std::shared_ptr<const HistoryEntry>;

// The history's entries in file order, with each setting's entries found at once: dropping a
// setting leaves a gap, appending one costs no pass over the others.
class Entries {
 public:
  void append(EntryRef entry) {
    positions_[entry->key].add(slots_.size());
    slots_.push_back(std::move(entry));
    ++live_;
  }
  // Drops every entry of the setting `key`, then appends `entry` (none: nothing), which keeps the
  // setting's place in the index when it is the same setting.
  void replace(const std::string& key, EntryRef entry) {
    auto found = positions_.find(key);
    if (found != positions_.end()) {
      found->second.forEach([&](std::size_t& slot) { slots_[slot] = nullptr; });
      live_ -= found->second.size();
      found->second = Slots();
      if (!entry || entry->key != key) {
        positions_.erase(found);
        found = positions_.end();
      }
    }
    if (entry) {
      if (found == positions_.end()) found = positions_.try_emplace(entry->key).first;
      found->second.add(slots_.size());
      slots_.push_back(std::move(entry));
      ++live_;
    }
    if (slots_.size() > 64 && live_ < slots_.size() / 2) closeGaps();
  }
  // The first entry of the setting in file order.
  EntryRef first(const std::string& key) const {
    const auto found = positions_.find(key);
    return found == positions_.end() ? nullptr : slots_[found->second.first];
  }
  template <class Visit>
  void forEach(Visit visit) const {
    for (const auto& slot : slots_)
      if (slot) visit(*slot);
  }
  std::size_t size() const { return live_; }
  // The compact JSON array the base file holds of them.
  std::string text() const {
    std::string text = "[";
    forEach([&](const HistoryEntry& entry) {
      if (text.size() > 1) text.push_back(',');
      text += entry.text;
    });
    text.push_back(']');
    return text;
  }

 private:
  // Moves the live entries together and renumbers the index where it stands: the settings and
  // their order stay, so no key is looked up or copied again.
  void closeGaps() {
    std::vector<std::size_t> moved(slots_.size());
    std::size_t next = 0;
    for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
      if (!slots_[slot]) continue;
      moved[slot] = next;
      if (next != slot) slots_[next] = std::move(slots_[slot]);
      ++next;
    }
    slots_.resize(next);
    for (auto& [key, slots] : positions_) slots.forEach([&](std::size_t& slot) { slot = moved[slot]; });
  }

  // Where a setting's entries are. The first is kept in the index itself, which saves a lookup
  // per record and an allocation per setting: a setting has more than one entry only in a
  // history edited by hand.
  struct Slots {
    std::size_t first = 0;
    std::size_t count = 0;
    std::vector<std::size_t> more;  // after the first

    void add(std::size_t slot) {
      if (count++ == 0) first = slot;
      else more.push_back(slot);
    }
    std::size_t size() const { return count; }
    template <class Visit>
    void forEach(Visit visit) {
      if (count > 0) visit(first);
      for (auto& slot : more) visit(slot);
    }
  };

  std::vector<EntryRef> slots_;
  std::unordered_map<std::string, Slots> positions_;
  std::size_t live_ = 0;
};

// One change of the history as the journal keeps it: every entry of the setting dropped, then
// its record appended (none: the setting is forgotten).
struct Replacement {
  std::string key;
  EntryRef entry;
};

void apply(Entries& entries, const std::vector<Replacement>& replacements) {
  for (const auto& replacement : replacements) entries.replace(replacement.key, replacement.entry);
}

// A line of the journal: a JSON array of {"settingID": ..., "record": ...}; none when it does
// not read as one (a line another program wrote, or cut short by a crash).
std::optional<std::vector<Replacement>> parseLine(std::string_view line) {
  try {
    const Json json = parseJson(std::string(line));
    const Json& list = requireArray(json, {});
    std::vector<Replacement> replacements;
    replacements.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      auto prior = PriorIntent::fromJson(list[i], appending({}, i));
      EntryRef entry = prior.record ? HistoryEntry::of(std::move(*prior.record)) : nullptr;
      replacements.push_back({canonicalForm(prior.settingID), std::move(entry)});
    }
    return replacements;
  } catch (const DecodingError&) {
    return std::nullopt;
  }
}

// The journal's line for `replacements`, newline included.
std::string lineOf(const std::vector<Replacement>& replacements, const std::vector<PriorIntent>& replaced) {
  std::string line = "[";
  for (std::size_t i = 0; i < replacements.size(); ++i) {
    if (i) line.push_back(',');
    line += "{\"settingID\":";
    appendJsonString(line, replaced[i].settingID);
    if (replacements[i].entry) {
      line += ",\"record\":";
      line += replacements[i].entry->text;
    }
    line.push_back('}');
  }
  line += "]\n";
  return line;
}

// Where a journal stands: the file (device and inode) and how much of it has been read.
struct JournalMark {
  unsigned long long device = 0, inode = 0;
  std::uint64_t consumed = 0;  // bytes of whole lines read
  std::uint64_t size = 0;      // bytes in the file when last looked at
  bool operator==(const JournalMark&) const = default;
};

std::optional<JournalMark> markOf(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return JournalMark{info.st_dev, info.st_ino, 0, static_cast<std::uint64_t>(info.st_size)};
}

// Reads the whole lines of the journal from `mark.consumed` on and applies them; a line that does
// not read is passed over, a last line without its newline is left for later.
void readJournal(int fd, JournalMark& mark, Entries& entries) {
  std::string bytes;
  char buffer[65536];
  for (off_t at = static_cast<off_t>(mark.consumed);;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  mark.size = mark.consumed + bytes.size();
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    if (const auto replacements = parseLine(std::string_view(bytes).substr(start, end - start)))
      apply(entries, *replacements);
    else
      log::warning(log::Area::changes, "A line of the change history's journal does not read; it is passed over");
  }
  mark.consumed += start;
}

// The journal open for reading; -1 when there is none (or it is no regular file).
int openJournal(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

// What the history held when last read or written: the base file's entries with the journal's
// lines applied, and where each file stood then. Shared by copies of a log, brought up to date
// with what changed on disk since, at the cost of what changed. Every member is used under
// `mutex`. Any thread.
class IntentLog::Cache {
 public:
  std::mutex mutex;
  Entries entries;

  // Up to date with the files, an unreadable base moved aside first (`baseUnreadable` stays set
  // when it could not be moved).
  void load(const IntentLog& log) {
    refresh(log);
    if (!baseUnreadable) return;
    log.quarantine();
    // The journal's lines still hold the latest changes: they are kept over an empty history.
    refresh(log);
  }
  bool baseUnreadable = false;  // the base file exists but does not read as a history

  // Stores `replacements` (the history loaded), as a rewrite of the base or a line of the journal.
  // Throws platform::FileWriteError; what is kept is then read anew next time.
  void store(const IntentLog& log, const std::vector<Replacement>& replacements, const std::string& line) {
    // A small history is rewritten whole, as every build has written it; a long one takes the
    // change as a line of its journal, until the journal is as long as the history itself, which
    // then takes every line in one rewrite. Each record so costs a few times its own length,
    // however long the history.
    const std::uint64_t journalBytes = journal_ ? journal_->size : 0;
    const bool rewrite = baseBytes_ + journalBytes + line.size() <= kRewrittenWhole ||
                         journalBytes + line.size() >= baseBytes_ || (!journal_ && occupied(log.journalPath()));
    try {
      if (rewrite)
        writeWhole(log, replacements);
      else
        appendLine(log, line, replacements);
    } catch (...) {
      known_ = false;
      throw;
    }
  }

 private:
  static constexpr std::uint64_t kRewrittenWhole = 64 * 1024;

  // The journal is opened before the base is read: a compaction in between then leaves the old
  // journal, whose lines the new base already holds, and applying them again changes nothing.
  void refresh(const IntentLog& log) {
    const FileCloser journal{openJournal(log.journalPath())};
    auto mark = journal.fd >= 0 ? markOf(journal.fd) : std::nullopt;

    std::error_code ec;
    const bool noBase = !occupied(log.path_) || fs::is_directory(log.path_, ec);
    bool settled = false;
    const auto identity = noBase ? std::nullopt : platform::identifyFile(log.path_, settled);
    const bool baseSame = known_ && !baseUnreadable && noBase != base_.has_value() &&
                          (noBase || (identity && baseTrusted_ && identity == base_));
    if (baseSame && mark && !journal_) journal_ = JournalMark{mark->device, mark->inode, 0, 0};  // a first line came
    const bool journalGrew = mark && journal_ && mark->device == journal_->device && mark->inode == journal_->inode &&
                             mark->size >= journal_->consumed;
    if (baseSame && (journalGrew || (!mark && !journal_))) {
      if (mark) readJournal(journal.fd, *journal_, entries);
      return;
    }

    // Read anew: the base, then every line of the journal over it.
    known_ = true;
    entries = Entries();
    base_ = identity;
    baseTrusted_ = settled;
    baseUnreadable = false;
    baseBytes_ = 0;
    if (!noBase) readBase(log);
    journal_ = mark;
    if (mark) readJournal(journal.fd, *journal_, entries);
  }

  void readBase(const IntentLog& log) {
    std::string bytes;
    try {
      if (!platform::readWholeFile(log.path_, bytes))
        throw DecodingError(DecodingError::Kind::dataCorrupted, {}, "cannot be read");
      const Json json = parseJson(bytes);
      const Json& list = requireArray(json, {});
      for (std::size_t i = 0; i < list.size(); ++i) {
        auto entry = HistoryEntry::of(RecordedIntent::fromJson(list[i], appending({}, i)));
        if (!entry) throw DecodingError(DecodingError::Kind::dataCorrupted, {std::to_string(i)}, "not storable");
        entries.append(std::move(entry));
      }
      baseBytes_ = bytes.size();
    } catch (const DecodingError&) {
      log::dropped(log::Area::changes, "The change history " + log.path_ + " does not read as one", log::Level::info);
      entries = Entries();
      baseUnreadable = true;
    }
  }

  void writeWhole(const IntentLog& log, const std::vector<Replacement>& replacements) {
    apply(entries, replacements);
    const std::string text = entries.text();
    platform::writeFileAtomically(log.path_, text);
    // The journal's lines are in the file now. Should the journal stay (it cannot be removed),
    // reading it again over the new file changes nothing.
    std::error_code ec;
    if (journal_ || occupied(log.journalPath())) fs::remove(log.journalPath(), ec);
    // The file just written is known at once: under the folder's lock no one else replaced it, and
    // a writer after the lock makes a file of another inode.
    bool settled = false;
    base_ = platform::identifyFile(log.path_, settled);
    baseTrusted_ = true;
    baseBytes_ = text.size();
    journal_.reset();
    known_ = base_.has_value() && !occupied(log.journalPath());
  }

  void appendLine(const IntentLog& log, const std::string& line, const std::vector<Replacement>& replacements) {
    // What a writer killed part-way left after the last whole line is cut away first.
    const JournalMark before = journal_.value_or(JournalMark{});
    platform::appendToFile(log.journalPath(), line,
                           before.size > before.consumed ? std::optional(before.consumed) : std::nullopt);
    const FileCloser journal{openJournal(log.journalPath())};
    auto mark = journal.fd >= 0 ? markOf(journal.fd) : std::nullopt;
    if (!mark || mark->size != before.consumed + line.size() ||
        (journal_ && (mark->device != before.device || mark->inode != before.inode))) {
      known_ = false;  // not the file appended to: read anew
      return;
    }
    apply(entries, replacements);
    mark->consumed = mark->size;
    journal_ = mark;
  }

  bool known_ = false;
  std::optional<platform::FileIdentity> base_;  // none: no base file (or a folder in its place)
  bool baseTrusted_ = false;                    // its identity alone tells it unchanged
  std::uint64_t baseBytes_ = 0;
  std::optional<JournalMark> journal_;
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

std::string IntentLog::journalPath() const { return path_ + std::string(journalSuffix); }

std::vector<RecordedIntent> IntentLog::all() const {
  const std::lock_guard lock(cache_->mutex);
  cache_->load(*this);
  std::vector<RecordedIntent> intents;
  intents.reserve(cache_->entries.size());
  cache_->entries.forEach([&](const HistoryEntry& entry) { intents.push_back(entry.intent); });
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
  update(std::move(replaced));
  return entries;
}

void IntentLog::forget(const std::string& settingID) const { putBack({{settingID, std::nullopt}}); }

std::vector<PriorIntent> IntentLog::records(const std::vector<std::string>& settingIDs) const {
  const std::lock_guard lock(cache_->mutex);
  cache_->load(*this);
  std::vector<std::string> keys;
  keys.reserve(settingIDs.size());
  for (const auto& id : settingIDs) keys.push_back(canonicalForm(id));
  const std::hash<std::string> hash;
  const auto repeats = repeatsOfEarlier(
      keys.size(), [&](std::size_t i) { return hash(keys[i]); },
      [&](std::size_t i, std::size_t j) { return keys[i] == keys[j]; });
  std::vector<PriorIntent> result;
  result.reserve(settingIDs.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (repeats[i]) continue;
    auto entry = cache_->entries.first(keys[i]);
    result.push_back({settingIDs[i], entry ? std::optional(entry->intent) : std::nullopt, std::move(entry)});
  }
  return result;
}

void IntentLog::putBack(const std::vector<PriorIntent>& records) const { update(records); }

void IntentLog::update(std::vector<PriorIntent> replaced) const {
  // Held across the read and the write: another process's change in between would be lost.
  const platform::FolderLock lock(folder());
  if (!lock.locked()) throw HistoryWriteError(path_, "its folder cannot be locked (" + lock.error().message() + ")");
  const std::lock_guard guard(cache_->mutex);
  cache_->load(*this);
  // Still there: replacing it would lose what it holds.
  if (cache_->baseUnreadable)
    throw HistoryWriteError(path_, "the unreadable history in its place cannot be moved aside");

  std::vector<Replacement> replacements;
  replacements.reserve(replaced.size());
  // The records move into the history's entries; only their setting ids are read again below.
  for (auto& prior : replaced)
    replacements.push_back(
        {canonicalForm(prior.settingID), prior.record ? HistoryEntry::of(std::move(*prior.record)) : nullptr});
  try {
    cache_->store(*this, replacements, lineOf(replacements, replaced));
  } catch (const platform::FileWriteError& error) {
    throw HistoryWriteError(path_, error.reason());
  }
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

std::optional<std::string> IntentLog::damage() const {
  {
    const std::lock_guard lock(cache_->mutex);
    cache_->load(*this);
    if (cache_->baseUnreadable) return path_;
  }
  auto moved = quarantinedFiles();
  // The names carry the time they were moved aside, so the last one is the newest.
  if (!moved.empty()) return moved.back();
  return std::nullopt;
}

HeldSettings IntentLog::held() const { return HeldSettings(folder() + "/" + HeldSettings::fileName, clock_); }

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
