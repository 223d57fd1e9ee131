#pragma once
// The live preference store: the current user's preference files, checked on disk on every call
// (a file is parsed again only when it changed, see PreferenceFileCache) and written whole and
// atomically (see PreferenceFiles).

#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "Platform/PreferenceFiles.hpp"
#include "Preferences/PreferenceStore.hpp"

namespace amberloom {

class CFPreferenceStore : public PreferenceStore, public PreferenceKeyProbing {
 public:
  // The running user's files, with a cache of their own.
  CFPreferenceStore();
  // Exactly `files`, cached or not as they come.
  explicit CFPreferenceStore(platform::PreferenceFiles files) : files_(std::move(files)) {}

  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override;
  // Every key from one look at the domain's file, so the values agree with each other.
  std::vector<std::optional<PreferenceValue>> readKeys(const std::vector<std::string>& keys,
                                                       const ResolvedDomain& domain) const override;
  // Throws platform::PreferenceFileError for a refused domain or an unreadable file (left as it
  // was), platform::FileWriteError when the file cannot be replaced. Nothing is written elsewhere.
  void write(const std::optional<PreferenceValue>& value, const std::string& key,
             const ResolvedDomain& domain) override;
  // Every write in one locked read-modify-write of the domain's file, a merged write merged again
  // into the key as the file holds it then. The writes still go through `write`, so a store built
  // on this one that changes `write` changes them too: what `write` hands on to this store for
  // the domain is gathered and written together at the end.
  std::vector<std::exception_ptr> writeKeys(const std::vector<KeyWrite>& writes, const ResolvedDomain& domain) override;
  bool keyExists(const std::string& key, const ResolvedDomain& domain) const override;
  bool isUnreadable(const ResolvedDomain& domain) const override;

 private:
  // The changes a writeKeys call gathers from its own writes: only those made on its thread for
  // its domain; every other write goes to its file at once, as always.
  struct Gathering {
    ResolvedDomain domain;
    std::vector<platform::KeyChange> changes;
  };
  struct Gatherings {
    std::mutex mutex;
    std::map<std::thread::id, Gathering*> byThread;
  };
  Gathering* gatheringFor(const ResolvedDomain& domain) const;

  platform::PreferenceFiles files_;
  std::shared_ptr<Gatherings> gatherings_ = std::make_shared<Gatherings>();
};

}  // namespace amberloom
