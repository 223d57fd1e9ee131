#include "Changes/SnapshotHistory.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

#include "Platform/AtomicFile.hpp"
#include "Platform/FileIdentity.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Log.hpp"

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

// A point as found in the folder: pruning removes the file it was read from, never a path built
// from the id stored inside it.
struct FoundPoint {
  StoredSnapshot point;
  std::string fileName;
};

// Orders points of the same second by their stamps (milliseconds, then collision number), so the
// newest is first whatever order the folder lists them in; ids of another form sort by text.
bool isNewer(const FoundPoint& a, const FoundPoint& b) {
  if (a.point.createdAt != b.point.createdAt) return a.point.createdAt > b.point.createdAt;
  const auto key = [](const FoundPoint& p) {
    auto stamp = stampKey(p.point.id);
    return stamp ? std::tuple(stamp->stamp, stamp->collision, p.fileName)
                 : std::tuple(p.point.id, std::uint64_t{0}, p.fileName);
  };
  return key(a) > key(b);
}

// The highest collision number among the files of `stamp` in the folder (1 for the plain
// stamp), 0 when there is none.
std::uint64_t highestCollision(const std::string& folder, const std::string& stamp) {
  const std::string suffix = "." + std::string(SnapshotHistory::fileExtension);
  std::uint64_t highest = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.ends_with(suffix)) continue;
    const auto key = stampKey(std::string_view(name).substr(0, name.size() - suffix.size()));
    if (key && key->stamp == stamp) highest = std::max(highest, key->collision);
  }
  return highest;
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

}  // namespace

// The points of a folder as decoded from their files (none for a file that does not decode), each
// kept while its file keeps the identity it was read under. Any thread.
class DecodedPoints {
 public:
  struct Entry {
    platform::FileIdentity identity;
    std::optional<StoredSnapshot> point;
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

std::vector<FoundPoint> readPoints(const std::string& folder, DecodedPoints& decoded) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.ends_with(SnapshotHistory::fileExtension)) names.insert(std::move(name));
  }
  if (ec) return {};

  std::vector<FoundPoint> points;
  for (const auto& name : names) {
    const std::string path = (fs::path(folder) / name).string();
    bool settled = false;
    const auto identity = platform::identifyFile(path, settled);
    if (!identity) continue;  // a folder, a FIFO, gone meanwhile
    auto entry = decoded.find(name, *identity);
    if (!entry) {
      std::string bytes;
      if (!platform::readWholeFile(path, bytes)) continue;
      entry = DecodedPoints::Entry{*identity, std::nullopt};
      try {
        entry->point = decodePoint(parseJson(bytes));
      } catch (const DecodingError&) {
        log::dropped(log::Area::changes, "The undo point " + path + " cannot be read; it is not listed");
      }
      if (settled) decoded.keep(name, *entry);
    }
    if (entry->point) points.push_back({std::move(*entry->point), name});
  }
  decoded.keepOnly(names);
  std::sort(points.begin(), points.end(), isNewer);
  return points;
}

std::string fileNameOf(const StoredSnapshot& point) {
  return point.id + "." + std::string(SnapshotHistory::fileExtension);
}

}  // namespace

SnapshotHistory::SnapshotHistory(std::string folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)), decoded_(std::make_shared<DecodedPoints>()) {}

SnapshotHistory SnapshotHistory::standard() { return SnapshotHistory(defaultFolder(platform::homeDirectory())); }

std::string SnapshotHistory::defaultFolder(const std::string& homeDirectory) {
  return homeDirectory + "/Library/Application Support/AmberLoom/History";
}

StoredSnapshot SnapshotHistory::record(const Snapshot& snapshot, const std::string& reason, double at,
                                       std::optional<std::vector<PriorIntent>> priorIntents) const {
  auto point = store(snapshot, reason, at, std::move(priorIntents));
  prune(point);
  return point;
}

StoredSnapshot SnapshotHistory::store(const Snapshot& snapshot, const std::string& reason, double at,
                                      std::optional<std::vector<PriorIntent>> priorIntents) const {
  if (const auto ec = platform::createPrivateFolders(folder_))
    throw fs::filesystem_error("cannot create the undo history folder", folder_, ec);

  StoredSnapshot result{{}, reason, at, snapshot.storable(), std::move(priorIntents)};
  Json record{{"schemaVersion", 1},
              {"reason", reason},
              {"createdAt", iso8601::formatWholeSeconds(at)},
              {"snapshot", result.snapshot.toJson()}};
  if (result.priorIntents) {
    // A record with no JSON form (a hand-edited history may hold one) is left out: taking the
    // point back then leaves that setting's record as it is.
    Json priors = Json::array();
    std::erase_if(*result.priorIntents, [&](const PriorIntent& prior) {
      try {
        Json json = prior.toJson();
        writeJson(json);
        priors.push_back(std::move(json));
        return false;
      } catch (const JsonWriteError&) {
        log::dropped(log::Area::changes, "An undo point leaves out the record of " + prior.settingID, log::Level::info);
        return true;
      }
    });
    record["priorIntents"] = std::move(priors);
  }

  // Points of the same millisecond get "-2", "-3", ... rather than replacing each other, always
  // above the highest number present: a number freed by pruning would make the new point look
  // older than the ones kept, and the next pruning would remove it. Another process may take a
  // name between the look and the write, so a file is only ever made where none stands.
  const std::string stamp = stampFor(at);
  for (std::uint64_t n = highestCollision(folder_, stamp) + 1;; ++n) {
    result.id = n == 1 ? stamp : stamp + "-" + std::to_string(n);
    record["id"] = result.id;
    const auto path = fs::path(folder_) / fileNameOf(result);
    if (platform::writeNewFileAtomically(path.string(), writeJson(record, JsonStyle::pretty))) break;
  }
  return result;
}

void SnapshotHistory::prune(const StoredSnapshot& kept) const {
  auto points = readPoints(folder_, *decoded_);
  const std::string keptName = fileNameOf(kept);
  std::erase_if(points, [&](const FoundPoint& found) { return found.fileName == keptName; });
  // Dated in the future ranks below any other point, then newest first as listed.
  const double now = clock_();
  std::stable_partition(points.begin(), points.end(), [now](const FoundPoint& found) { return found.point.createdAt <= now; });
  for (std::size_t i = keepCount - 1; i < points.size(); ++i) {
    std::error_code ec;
    fs::remove(fs::path(folder_) / points[i].fileName, ec);
  }
}

bool SnapshotHistory::remove(const StoredSnapshot& point) const {
  std::error_code ec;
  return fs::remove(fs::path(folder_) / fileNameOf(point), ec) && !ec;
}

std::vector<StoredSnapshot> SnapshotHistory::all() const {
  std::vector<StoredSnapshot> result;
  for (auto& found : readPoints(folder_, *decoded_)) result.push_back(std::move(found.point));
  return result;
}

}  // namespace amberloom
