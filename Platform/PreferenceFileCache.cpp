#include "Platform/PreferenceFileCache.hpp"

namespace amberloom::platform {

std::shared_ptr<const PlistDictionary> PreferenceFileCache::read(const std::string& path, const Loader& load) {
  bool settled = false;
  const auto identity = identifyFile(path, settled);
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
