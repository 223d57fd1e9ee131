#pragma once
// The preference files behind the preference store: one property-list file per (application id,
// host scope) under ~/Library/Preferences, a ByHost file named with the machine's UUID, or a
// sandboxed app's container file. Every read goes to disk, so another process's write is visible
// at once (with a PreferenceFileCache, a file unchanged on disk is not parsed again); every write is
// a locked read-modify-write of the whole file, replaced atomically.

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

// The application id that stands for every application (the global domain).
inline constexpr const char* kAnyApplicationID = "kCFPreferencesAnyApplication";

// A reverse-DNS-like domain name: letters, digits, ".", "-" and "_", not starting with "." or "-",
// no "..", at most 255 characters.
bool isPlainDomainName(const std::string& name);

class PreferenceFileError : public std::runtime_error {
 public:
  PreferenceFileError(std::string applicationID, const std::string& reason)
      : std::runtime_error(reason + ": " + applicationID), applicationID_(std::move(applicationID)) {}
  const std::string& applicationID() const { return applicationID_; }

 private:
  std::string applicationID_;
};

class PreferenceFileCache;

// One key to set in a domain; none removes it.
struct KeyChange {
  std::string key;
  std::optional<PlistObject> value;
  // When set, the value is made from what the key holds in the file at the moment of writing,
  // under the lock (none: it holds nothing), in place of `value`: a change merged into a key keeps
  // what another process put there meanwhile. What it throws is the change's error.
  std::function<std::optional<PlistObject>(const std::optional<PlistObject>& current)> update = {};
};

class PreferenceFiles {
 public:
  // `homeDirectory` without a trailing "/"; `hostUUID` names by-host files.
  PreferenceFiles(std::string homeDirectory, std::string hostUUID);
  // The running user's home and this machine's UUID.
  static PreferenceFiles live();
  // The same files, read through `cache` (shared with every copy of the result). Without one, every
  // read parses the file, which suits a one-shot process such as the `defaults` command.
  PreferenceFiles withCache(std::shared_ptr<PreferenceFileCache> cache) const;

  // The file behind a domain, or none when the application id is refused: only a reverse-DNS-like
  // name, the any-application id, or an absolute path under
  // ~/Library/Containers/*/Data/Library/Preferences/ with no ".." is accepted, and only when the
  // file's name (with room for a temporary file beside it) fits the file system. A container's
  // file is the same for both host scopes.
  std::optional<std::string> filePath(const std::string& applicationID, bool currentHost) const;

  // The domain's whole dictionary: empty when it has no file or an empty one; none when the id is
  // refused or the file cannot be read (or is no regular file) or is not a dictionary. Never throws.
  std::optional<PlistDictionary> readDomain(const std::string& applicationID, bool currentHost) const;

  // As readDomain, without copying what the cache holds; null where readDomain gives none. For
  // reading many keys of one domain from one look at its file. Never throws.
  std::shared_ptr<const PlistDictionary> sharedDomain(const std::string& applicationID, bool currentHost) const;

  // One top-level value, or none. Never throws.
  std::optional<PlistObject> copyValue(const std::string& key, const std::string& applicationID,
                                       bool currentHost) const;

  // Sets `key` (none removes it). Throws PreferenceFileError for a refused id, an existing file
  // that cannot be read (it is left as it was), or a value that could not be read back: nested
  // deeper than the reader accepts, or holding text or keys that are not well-formed UTF-8 (the
  // file is left as it was); FileWriteError when the file cannot be written.
  void setValue(const std::string& key, const std::optional<PlistObject>& value,
                const std::string& applicationID, bool currentHost) const;

  // Makes every change, in order, in one locked read-modify-write of the file (replaced at most
  // once), as setValue one after the other would. Gives per change the error setValue would have
  // thrown for it, null when none: a change refused for its own value is left out and the others
  // are made; a failure of the whole file (a refused id, an unreadable file, the lock, the write)
  // is every change's. Never throws.
  std::vector<std::exception_ptr> setValues(const std::vector<KeyChange>& changes, const std::string& applicationID,
                                            bool currentHost) const;

  // When the domain's file exists and cannot be read, moves it aside under the lock every writer
  // takes, as "<name>.corrupt-<yyyy-MM-dd-HHmmss UTC>.plist" in its folder ("-2", "-3", ... before
  // ".plist" when taken), so that a fresh file can start and the bad one is kept. Returns the path
  // it was moved to; none when the file is readable or absent, or cannot be moved. Never throws.
  std::optional<std::string> moveUnreadableAside(const std::string& applicationID, bool currentHost) const;

  // Removes the whole domain's file. Throws as setValue does.
  void removeDomain(const std::string& applicationID, bool currentHost) const;

 private:
  std::string home_;
  std::string hostUUID_;
  std::shared_ptr<PreferenceFileCache> cache_;
};

}  // namespace amberloom::platform
