#pragma once
// The seam to the system preference store: read and write one top-level key of a resolved domain.
// `PreferenceKeyProbing` adds the one question only the live store answers: whether a key holds
// anything at all, even a value no PreferenceValue can represent or one in a file that cannot be
// read.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

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

// Holders share a store freely; copies of a service use the same store.
using PreferenceStoreRef = std::shared_ptr<PreferenceStore>;

// Whether a key the store reads as none may still hold something: a value it cannot represent, or
// anything in a file it cannot read. Only a probing store can tell; any other answers no. Never
// throws.
bool mayHoldUnreadable(const PreferenceStore& store, const std::string& key, const ResolvedDomain& domain);

}  // namespace amberloom
