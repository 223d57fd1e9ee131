#include "Changes/SnapshotHistory.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

#include "Changes/HollowPoint.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/FileIdentity.hpp"
#include "Platform/FolderLock.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/TextEncoding.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Log.hpp"
#include "Support/StaleTemporaries.hpp"

namespace amberloom {
namespace fs = std::filesystem;

namespace {

// "yyyy-MM-dd-HHmmss-SSS" in UTC, from the one ISO-8601 formatter ("2024-03-05T14:07:09.250Z").
std::string stampFor(double secondsSinceReferenceDate) {
  std::string stamp;
  for (char c : iso8601::formatWithMilliseconds(secondsSinceReferenceDate)) {
    if (c == 'T' || c == '.') stamp.push_back('-');
    else if (c != ':' && c != 'Z') stamp.push_back(c);
  }
  return stamp;
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct StampKey {
  std::string stamp;
  std::uint64_t collision;  // 1 for the plain stamp, n for "-n"
};

// The parts of an id of the form "yyyy-MM-dd-HHmmss-SSS" or "yyyy-MM-dd-HHmmss-SSS-n"; none for
// any other id.
std::optional<StampKey> stampKey(std::string_view id) {
  static constexpr std::string_view shape = "0000-00-00-000000-000";
  if (id.size() < shape.size()) return std::nullopt;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool digit = id[i] >= '0' && id[i] <= '9';
    if (shape[i] == '0' ? !digit : id[i] != '-') return std::nullopt;
  }
  if (id.size() == shape.size()) return StampKey{std::string(id), 1};
  const std::string_view suffix = id.substr(shape.size());
  std::uint64_t n = 0;
  if (suffix[0] != '-' || !allDigits(suffix.substr(1))) return std::nullopt;
  const auto [end, error] = std::from_chars(suffix.data() + 1, suffix.data() + suffix.size(), n);
  if (error != std::errc() || end != suffix.data() + suffix.size()) return std::nullopt;
  return StampKey{std::string(id.substr(0, shape.size())), n};
}

// What a file's name says of it: the stem before the extension (the point's id, for the files
// this history writes), and whether its batch was still in progress.
struct PointName {
  std::string stem;
  bool inProgress = false;
};

// None for a name that is no point's.
std::optional<PointName> pointName(std::string_view name) {
  const std::string extension = "." + std::string(SnapshotHistory::fileExtension);
  const std::string inProgress = "." + std::string(SnapshotHistory::inProgressMark) + extension;
  if (name.ends_with(inProgress)) return PointName{std::string(name.substr(0, name.size() - inProgress.size())), true};
  if (name.ends_with(extension)) return PointName{std::string(name.substr(0, name.size() - extension.size())), false};
  // The extension glued to other letters is read like any other.
  if (name.ends_with(SnapshotHistory::fileExtension))
    return PointName{std::string(name.substr(0, name.size() - SnapshotHistory::fileExtension.size())), false};
  return std::nullopt;
}

std::string settledName(const std::string& stem) { return stem + "." + std::string(SnapshotHistory::fileExtension); }
std::string inProgressName(const std::string& stem) {
  return stem + "." + std::string(SnapshotHistory::inProgressMark) + "." + std::string(SnapshotHistory::fileExtension);
}

// The time a stamp names, in seconds since the reference date.
std::optional<double> stampTime(const StampKey& key) {
  const std::string& s = key.stamp;  // yyyy-MM-dd-HHmmss-SSS
  return iso8601::parse(s.substr(0, 10) + "T" + s.substr(11, 2) + ":" + s.substr(13, 2) + ":" + s.substr(15, 2) + "." +
                        s.substr(18, 3) + "Z");
}

// The highest collision number among the files of `stamp` in the folder, in progress or not (1
// for the plain stamp), 0 when there is none.
std::uint64_t highestCollision(const std::string& folder, const std::string& stamp) {
  std::uint64_t highest = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const auto name = pointName(it->path().filename().string());
    const auto key = name ? stampKey(name->stem) : std::nullopt;
    if (key && key->stamp == stamp) highest = std::max(highest, key->collision);
  }
  return highest;
}

bool hasJsonForm(const PriorIntent& prior) {
  const auto& record = prior.record;
  return platform::isValidUtf8(prior.settingID) &&
         (!record || (platform::isValidUtf8(record->settingID) && platform::isValidUtf8(record->osBuild) &&
                      std::isfinite(record->at) && (!record->value || hasJsonForm(*record->value))));
}

DecodingError dateError(const CodingPath& path) {
  return DecodingError(DecodingError::Kind::dataCorrupted, path, "Expected date string to be ISO8601-formatted.");
}

StoredSnapshot decodePoint(const Json& json) {
  StoredSnapshot point;
  decodeInt(member(json, "schemaVersion", {}), {"schemaVersion"});
  point.id = requiredString(json, "id", {});
  point.reason = requiredString(json, "reason", {});
  // Written to the whole second; a fraction marks a file this history did not write.
  const std::string createdAt = requiredString(json, "createdAt", {});
  const auto date = iso8601::parse(createdAt);
  if (!date || createdAt.find('.') != std::string::npos) throw dateError({"createdAt"});
  point.createdAt = *date;
  point.snapshot = Snapshot::fromJson(member(json, "snapshot", {}), {"snapshot"});
  if (const Json* priors = optionalMember(json, "priorIntents")) {
    const CodingPath path{"priorIntents"};
    requireArray(*priors, path);
    point.priorIntents.emplace();
    for (std::size_t i = 0; i < priors->size(); ++i)
      point.priorIntents->push_back(PriorIntent::fromJson((*priors)[i], appending(path, i)));
  }
  return point;
}

SnapshotHistory::Listed listedFrom(const StoredSnapshot& point, std::size_t settingCount, const std::string& fileName) {
  return {point.id, point.reason, point.createdAt, settingCount, fileName, pointName(fileName)->inProgress};
}

// What a listing tells of a file's point, decoded by the same rules as the whole point from the
// file with its entries left out; none when it holds no point as far as can be told.
std::optional<SnapshotHistory::Listed> listedFromFile(std::string_view bytes, const std::string& fileName) {
  const auto hollow = hollowPoint(bytes);
  if (!hollow) return std::nullopt;
  try {
    return listedFrom(decodePoint(parseJson(hollow->text)), hollow->entryCount, fileName);
  } catch (const DecodingError&) {
    return std::nullopt;  // the caller logs the file as unreadable
  }
}

}  // namespace

// What each file of a folder held when it was read, kept while the file keeps the identity it
// was read under: its point, decoded (when `all` read it), or what a listing shows of it (a file
// this history wrote itself, or one listed or pruned), or that it holds none. Any thread.
class DecodedPoints {
 public:
  struct Entry {
    platform::FileIdentity identity;
    std::optional<StoredSnapshot> point;
    bool readable = false;  // true whenever `point` or `listed` is there
    std::optional<SnapshotHistory::Listed> listed;  // when listed without decoding the entries
    // Readable only as far as a listing tells: pruning decodes it before it counts it as readable.
    bool listedOnly = false;
  };

  std::optional<Entry> find(const std::string& name, const platform::FileIdentity& identity) const {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(name);
    if (found == entries_.end() || !(found->second.identity == identity)) return std::nullopt;
    return found->second;
  }
  void keep(const std::string& name, Entry entry) {
    std::lock_guard lock(mutex_);
    entries_.insert_or_assign(name, std::move(entry));
  }
  // Forgets the files no longer listed.
  void keepOnly(const std::set<std::string>& names) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const auto& entry) { return !names.contains(entry.first); });
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

namespace {

// A file of the folder named as a point, and what is known of it.
struct Found {
  std::string fileName;
  PointName name;
  std::optional<StoredSnapshot> point;  // when decoded
  bool readable = false;
  std::optional<SnapshotHistory::Listed> listed;  // whenever readable
};

enum class Decoding {
  points,       // every readable point is decoded (the points in whole)
  listings,     // every readable point is listed, its entries decoded only if they already were
  readability   // a file is decoded only when whether it holds a point is not known (pruning)
};

// The regular files of the folder named as points, but those `skipped` (and, when `inProgressOnly`,
// those settled), in name order; none when the folder cannot be listed.
std::vector<Found> scan(const std::string& folder, DecodedPoints& decoded, Decoding decoding,
                        const std::set<std::string>& skipped = {}, bool inProgressOnly = false) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (pointName(name)) names.insert(std::move(name));
  }
  if (ec) return {};

  std::vector<Found> found;
  for (const auto& name : names) {
    if (skipped.contains(name) || (inProgressOnly && !pointName(name)->inProgress)) continue;
    const std::string path = (fs::path(folder) / name).string();
    bool settled = false;
    const auto identity = platform::identifyFile(path, settled);
    if (!identity) continue;  // a folder, a FIFO, gone meanwhile
    auto entry = decoded.find(name, *identity);
    const bool known =
        entry && (!entry->readable || entry->point || (decoding == Decoding::listings && entry->listed) ||
                  (decoding == Decoding::readability && !entry->listedOnly));
    if (!known) {
      std::string bytes;
      if (!platform::readWholeFile(path, bytes)) continue;
      entry = DecodedPoints::Entry{*identity, std::nullopt, false, std::nullopt, false};
      const std::string unreadable = "The undo point " + path + " cannot be read; it is listed as unreadable";
      if (decoding == Decoding::listings) {
        entry->listed = listedFromFile(bytes, name);
        entry->readable = entry->listedOnly = entry->listed.has_value();
        if (!entry->readable) log::warning(log::Area::changes, unreadable);
      } else {
        try {
          entry->point = decodePoint(parseJson(bytes));
          entry->readable = true;
        } catch (const DecodingError&) {
          log::dropped(log::Area::changes, unreadable);
        }
      }
      if (entry->point) entry->listed = listedFrom(*entry->point, entry->point->snapshot.entries.size(), name);
      if (settled) {
        // Pruning keeps only what it found out: a decoded point may be megabytes, and it needs none.
        if (decoding == Decoding::readability)
          decoded.keep(name, DecodedPoints::Entry{entry->identity, std::nullopt, entry->readable, entry->listed, false});
        else
          decoded.keep(name, *entry);
      }
    }
    if (entry->point && !entry->listed)
      entry->listed = listedFrom(*entry->point, entry->point->snapshot.entries.size(), name);
    // A listing hands on no decoded point: points may be megabytes.
    if (decoding == Decoding::listings) entry->point.reset();
    found.push_back({name, *pointName(name), std::move(entry->point), entry->readable, std::move(entry->listed)});
  }
  decoded.keepOnly(names);
  return found;
}

// Orders points of the same second by their stamps (milliseconds, then collision number), so the
// newest is first whatever order the folder lists them in; ids of another form sort by text.
bool newerThan(double aCreatedAt, const std::string& aId, const std::string& aFile, double bCreatedAt,
             const std::string& bId, const std::string& bFile) {
  if (aCreatedAt != bCreatedAt) return aCreatedAt > bCreatedAt;
  const auto key = [](const std::string& id, const std::string& fileName) {
    auto stamp = stampKey(id);
    return stamp ? std::tuple(stamp->stamp, stamp->collision, fileName) : std::tuple(id, std::uint64_t{0}, fileName);
  };
  return key(aId, aFile) > key(bId, bFile);
}

bool isNewer(const Found& a, const Found& b) {
  return newerThan(a.point->createdAt, a.point->id, a.fileName, b.point->createdAt, b.point->id, b.fileName);
}

// Where a file stands in the order pruning keeps: its time and tie-break from its name when the
// name is a stamp (every file this history writes), else from the point it holds.
struct Rank {
  double time = 0;  // whole seconds
  std::tuple<std::string, std::uint64_t, std::string> tie;

  static Rank of(const Found& found) {
    if (const auto stamp = stampKey(found.name.stem))
      if (const auto time = stampTime(*stamp))
        return {std::floor(*time), {stamp->stamp, stamp->collision, found.fileName}};
    if (!found.listed) return {-HUGE_VAL, {found.name.stem, 0, found.fileName}};
    auto stamp = stampKey(found.listed->id);
    return {found.listed->createdAt, stamp ? std::tuple(stamp->stamp, stamp->collision, found.fileName)
                                           : std::tuple(found.listed->id, std::uint64_t{0}, found.fileName)};
  }
  bool operator>(const Rank& other) const { return time != other.time ? time > other.time : tie > other.tie; }
};

}  // namespace

UndoPointReadError::UndoPointReadError(std::string fileName, bool gone)
    : std::runtime_error("The undo point " + fileName + (gone ? " is no longer stored." : " cannot be read.")),
      fileName_(std::move(fileName)),
      gone_(gone) {}

SnapshotHistory::SnapshotHistory(std::string folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)), decoded_(std::make_shared<DecodedPoints>()) {}

SnapshotHistory SnapshotHistory::standard() { return SnapshotHistory(defaultFolder(platform::homeDirectory())); }

std::string SnapshotHistory::defaultFolder(const std::string& homeDirectory) {
  return homeDirectory + "/Library/Application Support/AmberLoom/History";
}

SnapshotHistory SnapshotHistory::allowingBatchesWithoutPoint() const {
  SnapshotHistory agreed = *this;
  agreed.batchesWithoutPoint_ = true;
  return agreed;
}

StoredSnapshot SnapshotHistory::record(const Snapshot& snapshot, const std::string& reason, double at,
                                       std::optional<std::vector<PriorIntent>> priorIntents) const {
  auto pending = storeAhead(snapshot, reason, at, std::move(priorIntents));
  settle(pending);
  prune(pending.point());
  return pending.point();
}

SnapshotHistory::Pending SnapshotHistory::storeAhead(const Snapshot& snapshot, const std::string& reason, double at,
                                                     std::optional<std::vector<PriorIntent>> priorIntents) const {
  if (const auto ec = platform::createPrivateFolders(folder_))
    throw fs::filesystem_error("cannot create the undo history folder", folder_, ec);

  StoredSnapshot result{{}, reason, at, snapshot.storable(), std::move(priorIntents)};
  // A record with no JSON form (a hand-edited history may hold one) is left out: taking the point
  // back then leaves that setting's record as it is.
  if (result.priorIntents)
    std::erase_if(*result.priorIntents, [&](const PriorIntent& prior) {
      if (hasJsonForm(prior)) return false;
      log::info(log::Area::changes, "An undo point leaves out the record of " + prior.settingID);
      return true;
    });
  // Written straight as compact text, its members in key order as every build wrote them: a batch
  // of a thousand settings spends more on a JSON tree (and on indentation) than on its values. The
  // readers take either form (files of earlier builds are pretty-printed). The id, which may still
  // change below, comes between the two parts.
  std::string head, tail;
  // A few hundred bytes an entry, so the text is copied a few times rather than a dozen.
  tail.reserve(256 * (result.snapshot.entries.size() + (result.priorIntents ? result.priorIntents->size() : 0)) + 256);
  JsonTextWriter(head).beginObject().key("createdAt").string(iso8601::formatWholeSeconds(at)).key("id");
  JsonTextWriter rest(tail);
  if (result.priorIntents) {
    rest.key("priorIntents").beginArray();
    for (const auto& prior : *result.priorIntents) prior.writeJsonTo(rest);
    rest.endArray();
  }
  rest.key("reason").string(reason).key("schemaVersion").integer(1).key("snapshot");
  result.snapshot.writeJsonTo(rest);
  rest.endObject();

  // Points of the same millisecond get "-2", "-3", ... rather than replacing each other, always
  // above the highest number present: a number freed by pruning would make the new point look
  // older than the ones kept, and the next pruning would remove it. A point is made under its
  // in-progress name and later renamed, so the number is chosen under the folder's lock: another
  // process could otherwise settle a point under the name this one is about to take. Without the
  // lock (a file system that has none), a file is still only ever made where none stands.
  const platform::FolderLock lock(folder_);
  const std::string stamp = stampFor(at);
  for (std::uint64_t n = highestCollision(folder_, stamp) + 1;; ++n) {
    result.id = n == 1 ? stamp : stamp + "-" + std::to_string(n);
    std::string text;
    text.reserve(head.size() + jsonStringLength(result.id) + 1 + tail.size());
    text += head;
    appendJsonString(text, result.id);
    text.push_back(',');
    text += tail;
    const auto path = fs::path(folder_) / inProgressName(result.id);
    if (auto held = platform::writeNewHeldFileAtomically(path.string(), text))
      return Pending(std::move(result), std::move(*held));
  }
}

bool SnapshotHistory::settle(Pending& pending) const {
  // Under the folder's lock, so that a start looking for interrupted points sees the point either
  // held in progress or settled, never let go under its in-progress name a moment before its rename.
  const platform::FolderLock lock(folder_);
  const std::string name = settledName(pending.point_.id);
  const bool settled = pending.file_.moveTo((fs::path(folder_) / name).string());
  if (settled) knowReadable(name, pending.point_);
  else log::warning(log::Area::changes, "The undo point " + pending.file_.path() + " stays marked as in progress");
  pending.file_.release();
  return settled;
}

bool SnapshotHistory::discard(Pending& pending) const {
  const platform::FolderLock lock(folder_);  // as settle
  std::error_code ec;
  const bool removed = fs::remove(pending.file_.path(), ec) && !ec;
  pending.file_.release();
  return removed;
}

void SnapshotHistory::knowReadable(const std::string& fileName, const StoredSnapshot& point) const {
  // Written here a moment ago, so what it holds is known: no pruning or listing needs to read it
  // again. Its date is kept as the file has it, to the whole second.
  bool settled = false;
  const double storedAt = iso8601::parse(iso8601::formatWholeSeconds(point.createdAt)).value_or(point.createdAt);
  const StoredSnapshot asStored{point.id, point.reason, storedAt, {}, std::nullopt};
  if (const auto identity = platform::identifyFile((fs::path(folder_) / fileName).string(), settled))
    decoded_->keep(fileName,
                   {*identity, std::nullopt, true, listedFrom(asStored, point.snapshot.entries.size(), fileName), false});
}

void SnapshotHistory::prune(const StoredSnapshot& kept) const {
  auto found = scan(folder_, *decoded_, Decoding::readability, {settledName(kept.id), inProgressName(kept.id)});
  // A batch in progress (here or in another process) needs its point; one that stopped part-way
  // is the next start's to offer or remove.
  std::erase_if(found, [](const Found& f) { return f.name.inProgress; });
  const double now = std::floor(clock_());
  const auto place = [now](const Found& f) {
    if (!f.readable) return 2;
    return Rank::of(f).time <= now ? 0 : 1;  // dated in the future ranks below any other readable point
  };
  std::stable_sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
    if (place(a) != place(b)) return place(a) < place(b);
    return Rank::of(a) > Rank::of(b);
  });
  for (std::size_t i = keepCount - 1; i < found.size(); ++i) {
    std::error_code ec;
    fs::remove(fs::path(folder_) / found[i].fileName, ec);
  }
}

std::vector<StoredSnapshot> SnapshotHistory::all() const {
  auto found = scan(folder_, *decoded_, Decoding::points);
  std::erase_if(found, [](const Found& f) { return !f.point; });
  std::sort(found.begin(), found.end(), isNewer);
  std::vector<StoredSnapshot> result;
  for (auto& f : found) result.push_back(std::move(*f.point));
  return result;
}

SnapshotHistory::Listing SnapshotHistory::list() const {
  Listing listing;
  for (auto& f : scan(folder_, *decoded_, Decoding::listings)) {
    if (f.listed) {
      listing.points.push_back(std::move(*f.listed));
    } else {
      const auto stamp = stampKey(f.name.stem);
      listing.unreadable.push_back({f.fileName, stamp ? stampTime(*stamp) : std::nullopt});
    }
  }
  std::sort(listing.points.begin(), listing.points.end(), [](const Listed& a, const Listed& b) {
    return newerThan(a.createdAt, a.id, a.fileName, b.createdAt, b.id, b.fileName);
  });
  std::reverse(listing.unreadable.begin(), listing.unreadable.end());
  return listing;
}

StoredSnapshot SnapshotHistory::read(const Listed& listed) const {
  // A point listed in progress may have settled since (its batch ended, or the start settled it).
  std::vector<std::string> names{listed.fileName};
  if (const auto name = pointName(listed.fileName); name && name->inProgress) names.push_back(settledName(name->stem));
  for (const auto& name : names) {
    const std::string path = (fs::path(folder_) / name).string();
    bool settled = false;
    const auto identity = platform::identifyFile(path, settled);
    if (!identity) continue;
    if (const auto entry = decoded_->find(name, *identity); entry && entry->point && entry->point->id == listed.id)
      return *entry->point;
    std::string bytes;
    if (!platform::readWholeFile(path, bytes)) throw UndoPointReadError(name, false);
    try {
      StoredSnapshot point = decodePoint(parseJson(bytes));
      if (point.id == listed.id) return point;
    } catch (const DecodingError&) {
      log::dropped(log::Area::changes, "The undo point " + path + " cannot be read");
      // Known from now on, so that the next listing shows it as what it is.
      if (settled) decoded_->keep(name, {*identity, std::nullopt, false, std::nullopt, false});
    }
    throw UndoPointReadError(name, false);
  }
  throw UndoPointReadError(listed.fileName, true);
}

std::vector<SnapshotHistory::Unreadable> SnapshotHistory::unreadable() const {
  std::vector<Unreadable> result;
  for (const auto& f : scan(folder_, *decoded_, Decoding::readability)) {
    if (f.readable) continue;
    const auto stamp = stampKey(f.name.stem);
    result.push_back({f.fileName, stamp ? stampTime(*stamp) : std::nullopt});
  }
  std::reverse(result.begin(), result.end());
  return result;
}

std::vector<SnapshotHistory::Interrupted> SnapshotHistory::interrupted() const {
  std::error_code ec;
  if (!fs::is_directory(folder_, ec)) return {};  // the lock would make the folder
  // A batch settles or discards its point under this lock: what is seen here unheld under its
  // in-progress name is the point of a batch that is gone.
  const platform::FolderLock lock(folder_);
  auto found = scan(folder_, *decoded_, Decoding::points, {}, true);
  std::erase_if(found, [&](const Found& f) {
    return !f.point || platform::isHeldElsewhere((fs::path(folder_) / f.fileName).string());
  });
  std::sort(found.begin(), found.end(), isNewer);
  std::vector<Interrupted> result;
  for (auto& f : found) result.push_back({std::move(*f.point), f.fileName});
  return result;
}

bool SnapshotHistory::settle(const Interrupted& point) const {
  const auto name = pointName(point.fileName);
  if (!name || !name->inProgress) return false;
  return platform::moveWithoutReplacing((fs::path(folder_) / point.fileName).string(),
                                        (fs::path(folder_) / settledName(name->stem)).string());
}

void SnapshotHistory::removeLeftTemporaries() const {
  std::error_code ec;
  if (!fs::is_directory(folder_, ec)) return;
  // Every point is written under this lock: a temporary seen while it is held is one a killed
  // writer left, however new. Without locks only those old enough to be nobody's write go.
  const platform::FolderLock lock(folder_);
  platform::removeStaleTemporaries(
      folder_, [](std::string_view name) { return name.ends_with(fileExtension); },
      lock.locked() ? std::chrono::seconds(-1) : kStaleTemporaryAge);
}

bool SnapshotHistory::remove(const Interrupted& point) const {
  if (!pointName(point.fileName)) return false;
  std::error_code ec;
  return fs::remove(fs::path(folder_) / point.fileName, ec) && !ec;
}

}  // namespace amberloom
