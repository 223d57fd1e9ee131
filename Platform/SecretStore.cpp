#include "Platform/SecretStore.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "Platform/AtomicFile.hpp"
#include "Platform/HomeDirectory.hpp"

namespace amberloom::platform {
namespace {

// Letters, digits, ".", "-" and "_" stay; everything else (",", "%" and "/" among them) is encoded,
// so distinct pairs never share a file and no name leaves the folder.
std::string encodeName(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

// Creates the folder owner-only (its parents as usual); tightens one that exists with wider bits.
bool makePrivateFolder(const std::filesystem::path& folder) {
  createPrivateFolders(folder.parent_path().string());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return (info.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

}  // namespace

std::shared_ptr<SecretStore> SecretStore::standard() {
  return std::make_shared<FileSecretStore>(FileSecretStore::defaultFolder());
}

std::string FileSecretStore::defaultFolder() { return folderIn(homeDirectory()); }

std::string FileSecretStore::folderIn(const std::string& home) { return home + "/Library/Keychains/AmberLoom"; }

std::string FileSecretStore::itemPath(const std::string& service, const std::string& account) const {
  return folder_ + "/" + encodeName(service) + "," + encodeName(account);
}

std::optional<std::string> FileSecretStore::read(const std::string& service, const std::string& account) const {
  std::string bytes;
  if (!readWholeFile(itemPath(service, account), bytes)) return std::nullopt;
  return bytes;
}

int FileSecretStore::add(const std::string& service, const std::string& account, const std::string& secret) {
  const std::string path = itemPath(service, account);
  if (::access(path.c_str(), F_OK) == 0) return duplicateItem;
  if (!makePrivateFolder(folder_)) return ioError;
  try {
    writeFileAtomically(path, secret, 0600);
  } catch (const FileWriteError&) {
    return ioError;
  }
  return success;
}

int FileSecretStore::remove(const std::string& service, const std::string& account) {
  const std::string path = itemPath(service, account);
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return success;
  return ioError;
}

}  // namespace amberloom::platform
