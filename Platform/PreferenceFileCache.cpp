#include "Platform/PreferenceFileCache.hpp"

#include <sys/stat.h>
#include <time.h>

namespace amberloom::platform {
namespace {

bool earlier(long long seconds, long long nanoseconds, const timespec& than) {
  return seconds < than.tv_sec || (seconds == than.tv_sec && nanoseconds < than.tv_nsec);
}

}  // namespace

// File times are taken from the kernel's coarse clock (or finer), so a write made after this
// clock has moved past a file's times cannot give the file those same times again. The clock is
// read before the file is examined, which makes `settled` a safe judgement of what was examined.
std::optional<PreferenceFileCache::FileIdentity> PreferenceFileCache::identify(const std::string& path, bool& settled) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const FileIdentity identity{info.st_dev,           info.st_ino,          info.st_size,
                              info.st_mtim.tv_sec,   info.st_mtim.tv_nsec, info.st_ctim.tv_sec,
                              info.st_ctim.tv_nsec};
  settled = earlier(identity.modifiedSeconds, identity.modifiedNanoseconds, now) &&
            earlier(identity.changedSeconds, identity.changedNanoseconds, now);
  return identity;
}

std::shared_ptr<const PlistDictionary> PreferenceFileCache::read(const std::string& path, const Loader& load) {
  bool settled = false;
  const auto identity = identify(path, settled);
  if (identity) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(path);
    if (found != entries_.end()) {
      if (found->second.identity == *identity) {
        recency_.splice(recency_.begin(), recency_, found->second.recency);
        return found->second.dictionary;
      }
      erase(found);
    }
  }
  // The file is examined before it is parsed: if it changes in between, what is kept is newer than
  // its identity says, and the next read sees the new identity and parses again.
  auto loaded = load(path);
  auto dictionary = loaded ? std::make_shared<const PlistDictionary>(std::move(*loaded)) : nullptr;
  if (identity && settled) keep(path, *identity, dictionary);
  return dictionary;
}

void PreferenceFileCache::forget(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (const auto found = entries_.find(path); found != entries_.end()) erase(found);
}

void PreferenceFileCache::keep(const std::string& path, const FileIdentity& identity,
                               std::shared_ptr<const PlistDictionary> dictionary) {
  const auto size = static_cast<std::size_t>(identity.size);
  if (size > limits_.maxBytes || limits_.maxFiles == 0) return;
  std::lock_guard lock(mutex_);
  if (const auto found = entries_.find(path); found != entries_.end()) erase(found);  // another thread's
  while (!recency_.empty() && (entries_.size() >= limits_.maxFiles || bytes_ + size > limits_.maxBytes))
    erase(entries_.find(recency_.back()));
  recency_.push_front(path);
  entries_.emplace(path, Entry{identity, std::move(dictionary), recency_.begin()});
  bytes_ += size;
}

void PreferenceFileCache::erase(std::unordered_map<std::string, Entry>::iterator entry) {
  bytes_ -= static_cast<std::size_t>(entry->second.identity.size);
  recency_.erase(entry->second.recency);
  entries_.erase(entry);
}

}  // namespace amberloom::platform
