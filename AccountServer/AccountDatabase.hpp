#pragma once
// The account server's storage: one SQLite file holding accounts, their devices (each with the
// SHA-256 of its device token, never the token), one sync document per device with its revision,
// pending sign-ins (by the hash of their verifier) and the outbox of sign-in links, whose entries
// expire with their link. Addresses are kept in their one spelling (EmailAddress). The schema is
// made on first open; every operation is one transaction, so a failure or a crash leaves the file
// as it was before the operation. Safe to call from several threads: operations run one at a time.
// The file (and with it SQLite's journal) is readable by its owner only.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace amberloom::server {

class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AccountDatabase {
 public:
  // A sign-in that nobody collected is forgotten after this long: a little longer than the
  // application waits for its link (15 minutes), so that the wait's last poll still finds it.
  static constexpr std::int64_t signInLifetimeSeconds = 16 * 60;
  // A device token unused for this long no longer signs its device in.
  static constexpr std::int64_t tokenIdleLifetimeSeconds = 180 * 24 * 60 * 60;

  struct Caller {
    std::int64_t accountID = 0;
    std::string deviceID;
  };
  struct Device {
    std::string id;
    std::string name;
    std::int64_t lastSeenAt = 0;  // Unix seconds
  };
  struct Document {
    std::string deviceID;
    std::string deviceName;
    std::int64_t revision = 0;
    std::string payload;
    std::int64_t updatedAt = 0;  // Unix seconds
  };
  // How much the server keeps at most: the accounts, and the bytes of every document together.
  struct Capacity {
    std::size_t accounts = 1000;
    std::uint64_t storedBytes = std::uint64_t{1} << 30;
  };
  struct OutboxEntry {
    std::string email;
    std::string link;
  };
  // noRoom: confirmed, but it would make an account beyond the server's capacity; nothing changed.
  enum class PollState { unknown, pending, confirmed, noRoom };
  struct Poll {
    PollState state = PollState::unknown;
    std::string deviceID;  // set when confirmed
  };
  struct Upload {
    // stale: the device no longer holds `ifRevision`; noDevice: the device is gone (removed since
    // its request was authenticated); accountFull: the account's documents would not fit in one list;
    // serverFull: the server's documents together would pass its capacity.
    enum class State { stored, stale, noDevice, accountFull, serverFull };
    State state = State::noDevice;
    std::int64_t revision = 0;  // the new one when stored, the current one when stale
  };

  // Opens or creates the file. Throws DatabaseError. A file of an earlier build, which kept
  // addresses as they were sent, is brought to one account per address: of the accounts whose
  // addresses are spelt alike, the one already in the normal spelling (else the oldest) takes the
  // address; the others keep their devices, documents and spelling but no sign-in reaches them
  // again, so that nobody gains another's documents and no document is lost.
  explicit AccountDatabase(const std::string& path);
  AccountDatabase(const std::string& path, Capacity capacity);
  ~AccountDatabase();
  AccountDatabase(const AccountDatabase&) = delete;
  AccountDatabase& operator=(const AccountDatabase&) = delete;

  // All operations throw DatabaseError when the file cannot be read or written.

  enum class Added { added, verifierInUse };
  // Records a pending sign-in beside the address's others, with its outbox entry, and forgets
  // expired ones of both.
  // Whether a sign-in for `email` could be collected now: its account exists or there is room for one.
  bool mayJoin(const std::string& email);
  Added addSignIn(const std::string& email, const std::string& verifierHash, const std::string& code,
                  const std::string& link, std::int64_t now);
  // Whether `code` is the link of a sign-in that has not expired or been collected.
  bool isSignInPending(const std::string& code, std::int64_t now);
  // Marks the sign-in of `code` confirmed; false for an unknown or expired code.
  bool confirmSignIn(const std::string& code, std::int64_t now);
  // Where the sign-in of `verifierHash` stands. Once confirmed, the sign-in is used up: the account
  // is made when new, and a new device `newDeviceID` joins it with `tokenHash` as its only token.
  // Devices are told apart by that id alone: a second Mac reporting a hardware id already in use
  // (a cloned disk, or a forged id) gets an entry of its own and takes over no other.
  Poll collectSignIn(const std::string& verifierHash, const std::string& deviceName, const std::string& hardwareID,
                     const std::string& newDeviceID, const std::string& tokenHash, std::int64_t now);

  // The device holding the token of `tokenHash`, marked seen at `now`; none for an unknown token
  // or one unused for `tokenIdleLifetimeSeconds`.
  std::optional<Caller> authenticate(const std::string& tokenHash, std::int64_t now);
  std::string email(std::int64_t accountID);
  std::vector<Device> devices(std::int64_t accountID);  // in the order they joined
  // False when the account has no such device.
  bool removeDevice(std::int64_t accountID, const std::string& deviceID);
  // Removes the account, its devices and documents, and its own address's sign-ins and outbox entries.
  void deleteAccount(std::int64_t accountID);
  // Stores the device's document when it still holds `ifRevision`; a device without a document
  // accepts any, since nothing can be overwritten. `listedBytes` is what the payload takes in a
  // list of documents; the upload is refused when it would make the account's list larger than
  // `listLimit` and larger than it was.
  Upload putDocument(const std::string& deviceID, std::int64_t ifRevision, const std::string& payload,
                     std::size_t listedBytes, std::int64_t now, std::size_t listLimit = SIZE_MAX);
  // Whether a document of the device taking `listedBytes` in the list would be refused so.
  bool wouldOverfill(const std::string& deviceID, std::size_t listedBytes, std::size_t listLimit);
  std::vector<Document> documents(std::int64_t accountID);  // in the order the devices joined
  // About the bytes of the account's list of documents: each payload as listed and a little for the
  // rest of its entry.
  std::size_t documentsSize(std::int64_t accountID);
  // Each address's newest outbox entry whose link has not expired, oldest first; when more than
  // `count` addresses have one, those of addresses with an account come first, then the newest.
  std::vector<OutboxEntry> outbox(std::int64_t now, std::size_t count);

 private:
  class Transaction;
  bool overfills(Transaction& t, const std::string& deviceID, std::size_t listedBytes, std::size_t listLimit);
  void execute(const char* sql);
  void addMissingColumn(const char* table, const char* column, const char* definition);

  void bringAddressesToOneSpelling();
  bool overfillsServer(Transaction& t, const std::string& deviceID, std::size_t payloadBytes);

  Capacity capacity_;
  std::mutex mutex_;
  sqlite3* db_ = nullptr;
};

}  // namespace amberloom::server
