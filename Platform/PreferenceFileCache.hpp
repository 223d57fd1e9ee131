#pragma once
// Parsed preference files kept between reads, so that reading many keys of one domain, or every
// setting again when the application comes to the front, parses each file at most once per change.
//
// An entry is used only while the file still has the identity it was read under (see
// FileIdentity), so the next read sees any write by any process. A file that is not settled yet is
// read but not kept.
//
// Bounded by a number of files and a total of file bytes; the least recently used file goes first.
// Safe to use from several threads at once; files are parsed outside the lock.

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "Platform/FileIdentity.hpp"
#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

class PreferenceFileCache {
 public:
  struct Limits {
    std::size_t maxFiles = 256;           // the built-in catalogue alone spans about 50 files
    std::size_t maxBytes = 16 << 20;      // sum of the cached files' sizes on disk
  };
  // Reads and parses one file: none when it cannot be read or is not a dictionary.
  using Loader = std::function<std::optional<PlistDictionary>(const std::string& path)>;

  PreferenceFileCache() : PreferenceFileCache(Limits{}) {}
  explicit PreferenceFileCache(Limits limits) : limits_(limits) {}
  PreferenceFileCache(const PreferenceFileCache&) = delete;
  PreferenceFileCache& operator=(const PreferenceFileCache&) = delete;

  // The dictionary of the file at `path`: the kept one while the file is unchanged, otherwise
  // what `load(path)` gives (kept for next time when the file is settled and within the limits).
  // Null when `load` gives none. A path that cannot be examined (absent file) goes to `load` and
  // is not kept. Throws only what `load` throws.
  std::shared_ptr<const PlistDictionary> read(const std::string& path, const Loader& load);

  // Drops what is kept for `path`. Every writer in this process calls it once the file is replaced.
  void forget(const std::string& path);

 private:
  struct Entry {
    FileIdentity identity;
    std::shared_ptr<const PlistDictionary> dictionary;  // null: the file could not be parsed
    std::list<std::string>::iterator recency;
  };

  void keep(const std::string& path, const FileIdentity& identity, std::shared_ptr<const PlistDictionary> dictionary);
  void erase(std::unordered_map<std::string, Entry>::iterator entry);

  const Limits limits_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> recency_;  // most recently used first
  std::size_t bytes_ = 0;
};

}  // namespace amberloom::platform
