#pragma once
// The seam to the system preference store: read and write one top-level key of a resolved domain.
// `PreferenceKeyProbing` adds the one question only the live store answers: whether a key holds
// anything at all, even a value no PreferenceValue can represent or one in a file that cannot be
// read. Any thread, several at once: a batch writes and reads back on a worker while the main
// thread reads; every implementation guards what it keeps.

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct KeyWrite;
// What a write merged into a root key makes of the key as the store holds it at the moment of
// writing: `current` (none when absent or not representable), `exists` (the key holds something
// all the same). Gives the write, or none to leave the key as it is; may throw what the write would.
using RootMerge = std::function<std::optional<KeyWrite>(const std::optional<PreferenceValue>& current, bool exists)>;

// One top-level key to write; none removes it.
struct KeyWrite {
  std::string key;
  std::optional<PreferenceValue> value;
  // Set for a write merged into the key's value (a nested key path): a store that reads and
  // replaces its file as one step under a lock merges again there, so that what another process
  // put under the same key meanwhile is kept; any other store writes `value`.
  RootMerge merge = {};

  bool operator==(const KeyWrite& other) const { return key == other.key && value == other.value; }
};

class PreferenceStore {
 public:
  virtual ~PreferenceStore() = default;
  // The value of a top-level key; none when absent or not representable. Never throws.
  virtual std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const = 0;
  // The values of several top-level keys of one domain, one per key in order, each as `read` gives
  // it. Never throws. By default `read` once per key; a store that can look at a domain once for
  // all of them does so.
  virtual std::vector<std::optional<PreferenceValue>> readKeys(const std::vector<std::string>& keys,
                                                               const ResolvedDomain& domain) const;
  // Sets the key; none removes it. May throw the store's own errors.
  virtual void write(const std::optional<PreferenceValue>& value, const std::string& key,
                     const ResolvedDomain& domain) = 0;
  // Writes several keys of one domain, in order, each as `write` would; gives per write the error
  // it threw, null when none. Never throws. By default `write` once per key; a store that can
  // replace a domain's file once for all of them does so.
  virtual std::vector<std::exception_ptr> writeKeys(const std::vector<KeyWrite>& writes, const ResolvedDomain& domain);
};

class PreferenceKeyProbing {
 public:
  virtual ~PreferenceKeyProbing() = default;
  // True when the key holds any object, representable or not. Never throws.
  virtual bool keyExists(const std::string& key, const ResolvedDomain& domain) const = 0;
  // True when the domain has a file that cannot be read at all, so any key may be in it. Never
  // throws.
  virtual bool isUnreadable(const ResolvedDomain& domain) const = 0;
};

// A top-level key of a resolved domain.
struct RootKey {
  ResolvedDomain domain;
  std::string key;
};

// The positions of `domains`, grouped by domain (and host scope), groups in order of first
// appearance, positions in order.
std::vector<std::pair<ResolvedDomain, std::vector<std::size_t>>> groupByDomain(const std::vector<ResolvedDomain>& domains);

// Whether a key of one domain comes twice: then the order of writes and reads between them
// matters. An app's container (an application id that is a path) keeps one file for both host
// scopes, so there a key under each scope comes twice too.
bool rootsRepeat(const std::vector<RootKey>& roots);

// Writes values[i] to roots[i] for every i: one writeKeys per domain, or where roots repeat one
// write after the other, in order. Gives per write the error it threw, null when none. Never
// throws.
std::vector<std::exception_ptr> writeRoots(PreferenceStore& store, const std::vector<RootKey>& roots,
                                           const std::vector<std::optional<PreferenceValue>>& values);

// Holders share a store freely; copies of a service use the same store.
using PreferenceStoreRef = std::shared_ptr<PreferenceStore>;

// Whether a key the store reads as none may still hold something: a value it cannot represent, or
// anything in a file it cannot read. Only a probing store can tell; any other answers no. Never
// throws.
bool mayHoldUnreadable(const PreferenceStore& store, const std::string& key, const ResolvedDomain& domain);

}  // namespace amberloom
