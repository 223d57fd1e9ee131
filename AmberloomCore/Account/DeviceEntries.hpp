#pragma once
// This Mac's device entries on account servers: every entry a sign-in gave it, kept until it is
// known to be off its account (retired after a later sign-in, removed on the account page, or
// taken off before AmberLoom's files were removed). A later sign-in reads them so that this Mac
// never takes one of its own earlier entries, or that entry's document, for another Mac's, and
// takes them off the account.
//
// The live record is a small preference domain of its own ("tv.winterbrae.amberloom.entries"),
// apart from the application's preferences: neither a damaged preferences file (moved aside and
// started afresh) nor removing AmberLoom's files while the server cannot be reached forgets which
// entries are this Mac's. The domain's file goes once it holds no entry. Every call reads the
// store afresh; any thread.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Preferences/UserDefaults.hpp"

namespace amberloom {

class DeviceEntries {
 public:
  static constexpr const char* domain = "tv.winterbrae.amberloom.entries";
  // Server base to the array of this Mac's device ids there, oldest first.
  static constexpr const char* key = "deviceEntries";
  // How many entries are remembered per server: the oldest are forgotten first.
  static constexpr std::size_t keptPerServer = 16;

  // Over `store`, under `key`. `discard`, when given, removes the whole store once it holds no
  // entry; without one only the key goes.
  explicit DeviceEntries(UserDefaultsRef store, std::function<void()> discard = {});
  // The live record of the running user.
  static DeviceEntries standard();

  // The ids held at `server`, oldest first.
  std::vector<std::string> at(const std::string& server) const;
  // Every id held, at any server.
  std::vector<std::string> all() const;
  bool empty() const { return all().empty(); }
  // Records `id` at `server` as its newest entry. A record that cannot be written is logged: the
  // entry then stays listed on the account until removed there.
  void add(const std::string& server, const std::string& id) const noexcept;
  // Forgets `ids` at every server; the record goes when nothing is left. Never throws.
  void forget(const std::vector<std::string>& ids) const noexcept;

 private:
  using Record = std::map<std::string, std::vector<std::string>>;
  Record read() const;
  void write(const Record& record) const noexcept;

  UserDefaultsRef store_;
  std::function<void()> discard_;
};

}  // namespace amberloom
