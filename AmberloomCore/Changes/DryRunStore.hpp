#pragma once
// A preference store for practice runs: reads see through to the wrapped store, writes land in an
// in-memory shadow and never reach it. Reads prefer what was written during the run, so whatever
// is built on this store sees its own writes while the real preferences stay untouched. Removing
// a key only drops its shadowed value: the wrapped store's value shows through again.
//
// Shared by reference: every holder sees the same shadow. Safe to use from several threads; each
// read or write is atomic on its own. Nothing is persisted; the shadow lives as long as the store.
// Deliberately not a PreferenceKeyProbing store. Reading many keys at once keeps the store's
// default (one `read` per key), so every key sees the shadow first.

#include <map>
#include <mutex>
#include <utility>

#include "Preferences/PreferenceStore.hpp"

namespace amberloom {

class DryRunStore final : public PreferenceStore {
 public:
  explicit DryRunStore(PreferenceStoreRef wrapping) : wrapped_(std::move(wrapping)) {}

  // The value written during the run, else the wrapped store's (read outside the lock).
  // The same key at the two host scopes of a domain is shadowed separately.
  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override;
  // Records the value in the shadow; none drops the shadowed value. Never throws and never calls
  // the wrapped store.
  void write(const std::optional<PreferenceValue>& value, const std::string& key,
             const ResolvedDomain& domain) override;

 private:
  using DomainKey = std::pair<std::string, HostScope>;  // application id and host scope

  PreferenceStoreRef wrapped_;
  mutable std::mutex lock_;  // guards shadow_
  std::map<DomainKey, std::map<std::string, PreferenceValue>> shadow_;
};

}  // namespace amberloom
