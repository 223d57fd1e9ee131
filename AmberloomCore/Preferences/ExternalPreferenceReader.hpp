#pragma once
// The seam every write is confirmed through: keys of a domain as another process sees them.
// ExternalVerifier is the one that runs the `defaults` command; tests put readers of their own.
// Readers are called from workers, several at once.

#include <optional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

// Several top-level keys of one domain as another process sees them.
struct DomainReading {
  std::vector<std::optional<PreferenceValue>> values;  // one per key, in order, as `read` gives it
  bool readable = false;                               // as `canRead` gives it
};

class ExternalPreferenceReader {
 public:
  virtual ~ExternalPreferenceReader() = default;
  // A top-level key as another process sees it; none on any failure. Never throws.
  virtual std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const = 0;
  // Whether this reader can read the domain at all.
  virtual bool canRead(const ResolvedDomain&) const { return true; }
  // Every key and whether the domain can be read. By default `read` once per key and `canRead`
  // once; a reader that sees the whole domain at one look reads it once. Never throws.
  virtual DomainReading readKeys(const std::vector<std::string>& keys, const ResolvedDomain& domain) const;
};

}  // namespace amberloom
