#include "Platform/PreferenceFiles.hpp"

#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <utility>

#include "Platform/AtomicFile.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/FolderLock.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/MachineIdentity.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFileCache.hpp"
#include "Platform/TextEncoding.hpp"

namespace amberloom::platform {

bool isPlainDomainName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name.find("..") != std::string::npos) return false;
  if (name.front() == '.' || name.front() == '-') return false;
  for (unsigned char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

namespace {

// Reads a preference file: an absent file is an empty domain, anything unreadable is none.
std::optional<PlistDictionary> readDictionaryFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    if (ec) return std::nullopt;
    return PlistDictionary{};
  }
  std::string bytes;
  if (!readWholeFile(path, bytes)) return std::nullopt;
  if (bytes.empty()) return PlistDictionary{};  // what a crash during a write can leave behind
  auto object = parsePropertyList(bytes);
  if (!object || !object->is<PlistDictionary>()) return std::nullopt;
  return std::get<PlistDictionary>(std::move(object->value));
}

}  // namespace

PreferenceFiles::PreferenceFiles(std::string homeDirectory, std::string hostUUID)
    : home_(std::move(homeDirectory)), hostUUID_(std::move(hostUUID)) {}

PreferenceFiles PreferenceFiles::live() { return PreferenceFiles(homeDirectory(), platform::hostUUID()); }

PreferenceFiles PreferenceFiles::withCache(std::shared_ptr<PreferenceFileCache> cache) const {
  PreferenceFiles files = *this;
  files.cache_ = std::move(cache);
  return files;
}

std::optional<std::string> PreferenceFiles::filePath(const std::string& applicationID, bool currentHost) const {
  for (unsigned char c : applicationID)
    if (c < 0x20 || c == 0x7f) return std::nullopt;

  std::string folder = home_ + "/Library/Preferences";
  std::string name;
  if (applicationID == kAnyApplicationID) {
    name = ".GlobalPreferences";
  } else if (!applicationID.empty() && applicationID.front() == '/') {
    // A sandboxed app: <home>/Library/Containers/<container>/Data/Library/Preferences/<domain>
    const std::string prefix = home_ + "/Library/Containers/";
    if (applicationID.rfind(prefix, 0) != 0 || applicationID.find("/..") != std::string::npos)
      return std::nullopt;
    const std::string rest = applicationID.substr(prefix.size());
    const auto slash = rest.find('/');
    if (slash == std::string::npos || !isPlainDomainName(rest.substr(0, slash))) return std::nullopt;
    const std::string middle = "/Data/Library/Preferences/";
    if (rest.compare(slash, middle.size(), middle) != 0) return std::nullopt;
    name = rest.substr(slash + middle.size());
    if (!isPlainDomainName(name)) return std::nullopt;
    folder = prefix + rest.substr(0, slash) + "/Data/Library/Preferences";
  } else if (isPlainDomainName(applicationID)) {
    name = applicationID;
  } else {
    return std::nullopt;
  }
  // A sandboxed app keeps one file in its container, whatever the host scope (as the locator
  // names it).
  const bool byHost = currentHost && applicationID.front() != '/';
  const std::string file = byHost ? name + "." + hostUUID_ + ".plist" : name + ".plist";
  // The name must leave room for the temporary file an atomic write makes beside it
  // ("." + name + ".XXXXXX") within the file system's 255 bytes.
  if (file.size() + 8 > 255) return std::nullopt;
  return byHost ? folder + "/ByHost/" + file : folder + "/" + file;
}

std::optional<PlistDictionary> PreferenceFiles::readDomain(const std::string& applicationID,
                                                           bool currentHost) const {
  if (cache_) {
    const auto domain = sharedDomain(applicationID, currentHost);
    if (!domain) return std::nullopt;
    return *domain;
  }
  const auto path = filePath(applicationID, currentHost);
  if (!path) return std::nullopt;
  return readDictionaryFile(*path);
}

std::shared_ptr<const PlistDictionary> PreferenceFiles::sharedDomain(const std::string& applicationID,
                                                                     bool currentHost) const {
  const auto path = filePath(applicationID, currentHost);
  if (!path) return nullptr;
  if (cache_) return cache_->read(*path, readDictionaryFile);
  auto domain = readDictionaryFile(*path);
  return domain ? std::make_shared<const PlistDictionary>(std::move(*domain)) : nullptr;
}

std::optional<PlistObject> PreferenceFiles::copyValue(const std::string& key, const std::string& applicationID,
                                                      bool currentHost) const {
  const auto domain = sharedDomain(applicationID, currentHost);  // no copy of the whole domain
  if (!domain) return std::nullopt;
  const auto found = domain->find(key);
  if (found == domain->end()) return std::nullopt;
  return found->second;
}

void PreferenceFiles::setValue(const std::string& key, const std::optional<PlistObject>& value,
                               const std::string& applicationID, bool currentHost) const {
  if (const auto error = setValues({{key, value}}, applicationID, currentHost).front()) std::rethrow_exception(error);
}

std::vector<std::exception_ptr> PreferenceFiles::setValues(const std::vector<KeyChange>& changes,
                                                           const std::string& applicationID, bool currentHost) const {
  std::vector<std::exception_ptr> errors(changes.size());
  if (changes.empty()) return errors;
  const auto failAll = [&](const std::exception_ptr& error) {
    for (auto& slot : errors)
      if (!slot) slot = error;
    return errors;
  };
  const auto path = filePath(applicationID, currentHost);
  if (!path) return failAll(std::make_exception_ptr(PreferenceFileError(applicationID, "refused preference domain")));
  const std::string folder = std::filesystem::path(*path).parent_path().string();
  FolderLock lock(folder);
  if (!lock.locked())
    return failAll(std::make_exception_ptr(
        PreferenceFileError(applicationID, "cannot lock preference folder (" + lock.error().message() + ")")));
  // Read under the lock. A kept parse serves while the file keeps the identity it was parsed
  // under, as for every other read: a batch has just read each file it writes.
  std::optional<PlistDictionary> domain;
  if (!cache_) {
    domain = readDictionaryFile(*path);
  } else if (const auto kept = cache_->read(*path, readDictionaryFile)) {
    domain = *kept;
  }
  if (!domain)
    return failAll(std::make_exception_ptr(PreferenceFileError(applicationID, "unreadable preference file left untouched")));

  // The changes that alter the file: only they can fail with its replacement.
  std::vector<std::size_t> altering;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const auto& key = changes[i].key;
    // A key that is not text could name a member kept raw from the file (kRawKeyMarker) and
    // silently replace it: raw keys come only from files.
    if (!isValidUtf8(key)) {
      errors[i] = std::make_exception_ptr(PreferenceFileError(applicationID, "key that is not well-formed text refused"));
      continue;
    }
    std::optional<PlistObject> value = changes[i].value;
    if (changes[i].update) {
      const auto found = domain->find(key);
      try {
        value = changes[i].update(found == domain->end() ? std::nullopt : std::optional(found->second));
      } catch (...) {
        errors[i] = std::current_exception();
        continue;
      }
    }
    if (!value) {
      if (domain->erase(key) > 0) altering.push_back(i);
      continue;
    }
    // A value the reader would refuse would make the whole domain unreadable from then on.
    if (nestedDeeperThan(*value, kMaxPropertyListDepth - 1)) {
      errors[i] = std::make_exception_ptr(
          PreferenceFileError(applicationID, "value of key \"" + key + "\" nested too deep to be stored"));
      continue;
    }
    // Checked without encoding it: a batch stores thousands of values.
    if (!binaryEncodable(*value)) {
      errors[i] = std::make_exception_ptr(PreferenceFileError(
          applicationID, "value of key \"" + key + "\" cannot be stored exactly (text that is not well-formed "
                                                    "UTF-8 cannot be stored)"));
      continue;
    }
    (*domain)[key] = std::move(*value);
    altering.push_back(i);
  }
  if (altering.empty()) return errors;  // nothing to remove, or nothing that could be stored
  try {
    writeFileAtomically(*path, binaryPropertyList(PlistObject(std::move(*domain))));
  } catch (...) {
    for (const auto i : altering) errors[i] = std::current_exception();
    return errors;
  }
  if (cache_) cache_->forget(*path);
  return errors;
}

std::optional<std::string> PreferenceFiles::moveUnreadableAside(const std::string& applicationID,
                                                                bool currentHost) const {
  const auto path = filePath(applicationID, currentHost);
  if (!path) return std::nullopt;
  const std::filesystem::path file(*path);
  FolderLock lock(file.parent_path().string());
  std::error_code ec;
  if (!lock.locked() || !std::filesystem::exists(std::filesystem::symlink_status(file, ec)) ||
      readDictionaryFile(*path))
    return std::nullopt;

  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char stamp[32] = "0000-00-00-000000";
  if (::gmtime_r(&now, &utc)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &utc);
  const std::string base = file.stem().string() + ".corrupt-" + stamp;
  std::filesystem::path target = file.parent_path() / (base + ".plist");
  for (int n = 2; std::filesystem::symlink_status(target, ec).type() != std::filesystem::file_type::not_found; ++n)
    target = file.parent_path() / (base + "-" + std::to_string(n) + ".plist");
  std::filesystem::rename(file, target, ec);
  if (ec) return std::nullopt;
  if (cache_) cache_->forget(*path);
  return target.string();
}

void PreferenceFiles::removeDomain(const std::string& applicationID, bool currentHost) const {
  const auto path = filePath(applicationID, currentHost);
  if (!path) throw PreferenceFileError(applicationID, "refused preference domain");
  FolderLock lock(std::filesystem::path(*path).parent_path().string());
  // Unlocked, a writer could put the file back from what it read; without a folder there is no file.
  std::error_code ec;
  if (!lock.locked() && std::filesystem::exists(std::filesystem::symlink_status(*path, ec)))
    throw PreferenceFileError(applicationID, "cannot lock preference folder (" + lock.error().message() + ")");
  if (::unlink(path->c_str()) != 0 && errno != ENOENT)
    throw PreferenceFileError(applicationID, "cannot remove preference file");
  if (cache_) cache_->forget(*path);
}

}  // namespace amberloom::platform
