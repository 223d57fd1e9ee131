#pragma once
// The key that opens the outbox, the stand-in for the user's mailbox: kept in the file "outbox-key"
// of the server's data folder, readable by its owner only, so that only the user (and whoever the
// user hands the outbox's address) reads sign-in links. Made at the first start, and by a data
// folder of an earlier build that had none; kept across restarts, so that a bookmarked outbox
// address stays good.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace amberloom::server {

class OutboxKeyError : public std::runtime_error {
 public:
  OutboxKeyError(const std::filesystem::path& file, const std::string& reason)
      : std::runtime_error(file.string() + ": " + reason), file_(file) {}
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// The key of `folder`'s file, made (32 random lower-case hex digits, mode 0600) when the file is
// missing or holds no key; a file readable by others is narrowed to its owner. Throws
// OutboxKeyError when the file cannot be read, made or narrowed.
std::string loadOrMakeOutboxKey(const std::filesystem::path& folder);

// Whether `key` is shaped as a key this server makes.
bool isOutboxKeyShape(const std::string& key);

}  // namespace amberloom::server
