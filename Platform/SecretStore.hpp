#pragma once
// Generic-password items in place of the keychain: one secret per (service, account). A secret is
// never logged and never put into an error text.
//
// The statuses follow the keychain's numbering so that callers can report them as the platform
// would: 0 success, -25299 an item already exists, -36 an input/output failure.
//
// Any thread: each call reads, replaces or removes one item's file whole. Two adds of one item at
// the same moment may both answer success; the later file wins.

#include <memory>
#include <optional>
#include <string>

namespace amberloom::platform {

class SecretStore {
 public:
  static constexpr int success = 0;
  static constexpr int duplicateItem = -25299;
  static constexpr int ioError = -36;

  virtual ~SecretStore() = default;

  // The item's bytes; none when it is absent or cannot be read.
  virtual std::optional<std::string> read(const std::string& service, const std::string& account) const = 0;
  // Adds the item; `duplicateItem` when one exists. Never throws.
  virtual int add(const std::string& service, const std::string& account, const std::string& secret) = 0;
  // Removes the item; absence is not an error. Never throws.
  virtual int remove(const std::string& service, const std::string& account) = 0;

  // The running user's store: the file store under ~/Library/Keychains/AmberLoom.
  static std::shared_ptr<SecretStore> standard();
};

// One file per item in `folder` (created 0700), each file 0600 and written whole and atomically.
// The file name is the service and the account, each percent-encoded, joined by ",".
class FileSecretStore final : public SecretStore {
 public:
  explicit FileSecretStore(std::string folder) : folder_(std::move(folder)) {}

  // ~/Library/Keychains/AmberLoom
  static std::string defaultFolder();
  // The same folder in the home `home`.
  static std::string folderIn(const std::string& home);

  std::optional<std::string> read(const std::string& service, const std::string& account) const override;
  int add(const std::string& service, const std::string& account, const std::string& secret) override;
  int remove(const std::string& service, const std::string& account) override;

  // Where the item lives (whether or not it exists).
  std::string itemPath(const std::string& service, const std::string& account) const;

 private:
  std::string folder_;
};

}  // namespace amberloom::platform
