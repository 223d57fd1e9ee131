#pragma once
// Writes a value at a key path: the first element is the preference key, each further element a
// key inside nested dictionaries. The root value is read, the new value merged into it (missing
// dictionaries created, siblings kept) and the whole root written back.

#include <span>
#include <vector>

#include "Support/ErrorDescription.hpp"

#include "Preferences/PreferenceStore.hpp"

namespace amberloom {

class PreferenceWriteError : public DescribedError {
 public:
  enum class Case { pathBlockedByNonDictionary, emptyPath, rootNotRepresentable, pathTooDeep };

  // An existing value on the way down is not a dictionary; `path` runs from the root key to the
  // key whose value blocked the way.
  static PreferenceWriteError pathBlockedByNonDictionary(std::vector<std::string> path);
  static PreferenceWriteError emptyPath();
  // The root key holds a value no PreferenceValue can represent: merging into it would drop its
  // members, so the write is refused.
  static PreferenceWriteError rootNotRepresentable(std::vector<std::string> path);
  // The key path is longer than a preference file can nest; `path` holds its root key only.
  static PreferenceWriteError pathTooDeep(std::vector<std::string> path);

  Case errorCase() const { return case_; }
  const std::vector<std::string>& path() const { return path_; }
  bool operator==(const PreferenceWriteError& other) const { return case_ == other.case_ && path_ == other.path_; }

 private:
  PreferenceWriteError(Case c, std::vector<std::string> path, const std::string& description)
      : DescribedError(description), case_(c), path_(std::move(path)) {}
  Case case_;
  std::vector<std::string> path_;
};

class PreferenceWriter {
 public:
  explicit PreferenceWriter(PreferenceStoreRef store) : store_(std::move(store)) {}

  // A plain write of one top-level key. Store errors propagate.
  void write(const PreferenceValue& value, const std::string& key, const ResolvedDomain& domain) const;
  // A write at a key path. Throws PreferenceWriteError (nothing written) or the store's errors.
  void write(const PreferenceValue& value, const std::vector<std::string>& path, const ResolvedDomain& domain) const;
  // What a write at a key path of two or more keys makes of the root key's value `root` (none
  // when it reads as none; `rootExists` when the key holds something all the same). Throws
  // PreferenceWriteError.
  static PreferenceValue merged(const PreferenceValue& value, const std::vector<std::string>& path,
                                const std::optional<PreferenceValue>& root, bool rootExists);

  const PreferenceStoreRef& store() const { return store_; }

 private:
  PreferenceStoreRef store_;
};

}  // namespace amberloom
