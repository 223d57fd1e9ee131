#include "AccountDatabase.hpp"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "EmailAddress.hpp"

namespace amberloom::server {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts (
  id INTEGER PRIMARY KEY,
  email TEXT NOT NULL UNIQUE,
  created_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS devices (
  id TEXT PRIMARY KEY,
  account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  hardware_id TEXT NOT NULL,
  token_hash TEXT NOT NULL UNIQUE,
  joined INTEGER NOT NULL,
  last_seen_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS documents (
  device_id TEXT PRIMARY KEY REFERENCES devices(id) ON DELETE CASCADE,
  revision INTEGER NOT NULL,
  payload TEXT NOT NULL,
  updated_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS sign_ins (
  verifier_hash TEXT PRIMARY KEY,
  email TEXT NOT NULL,
  code TEXT NOT NULL UNIQUE,
  confirmed INTEGER NOT NULL DEFAULT 0,
  created_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS outbox (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  email TEXT NOT NULL,
  link TEXT NOT NULL
);
)sql";

// After the columns that files of earlier versions lack have been added.
const char* const kIndexes = R"sql(
DROP INDEX IF EXISTS accounts_by_address;
DROP INDEX IF EXISTS sign_ins_by_address;
CREATE INDEX IF NOT EXISTS devices_by_account ON devices (account_id, joined);
CREATE INDEX IF NOT EXISTS sign_ins_by_email ON sign_ins (email);
CREATE INDEX IF NOT EXISTS sign_ins_by_age ON sign_ins (created_at);
CREATE INDEX IF NOT EXISTS outbox_by_code ON outbox (code);
CREATE INDEX IF NOT EXISTS outbox_by_age ON outbox (created_at);
CREATE INDEX IF NOT EXISTS outbox_by_address ON outbox (email, id);
CREATE INDEX IF NOT EXISTS documents_by_size ON documents (size);
)sql";

// normalised_address(text): the address in its one spelling, for the statements that bring a file
// of an earlier build to it.
void normalisedAddressFunction(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* text = sqlite3_value_text(values[0]);
  if (!text) return sqlite3_result_null(context);
  const std::string address = normalisedAddress(
      std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_value_bytes(values[0]))));
  sqlite3_result_text(context, address.data(), static_cast<int>(address.size()), SQLITE_TRANSIENT);
}

// The bytes a document (`doc`) takes in a list of documents: its payload as listed, and a little for
// the rest of its entry. A document stored before that was recorded counts twice its bytes, as if
// every one of them were escaped.
const char* const kListedBytes =
    "(COALESCE(doc.listed_size, 2 * COALESCE(doc.size, length(CAST(doc.payload AS BLOB))) + 2) + 1024)";

// One prepared statement: bind in order, step, read columns.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) fail();
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(const std::string& text) {
    check(sqlite3_bind_text(statement_, ++bound_, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& bind(std::int64_t value) {
    check(sqlite3_bind_int64(statement_, ++bound_, value));
    return *this;
  }
  // True while a row is available.
  bool step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) fail();
    return false;
  }
  std::string text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                 : std::string();
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }

 private:
  void check(int result) {
    if (result != SQLITE_OK) fail();
  }
  [[noreturn]] void fail() { throw DatabaseError(sqlite3_errmsg(db_)); }

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  int bound_ = 0;
};

}  // namespace

// Holds the lock and an immediate (write-reserving) transaction; rolls back unless committed.
class AccountDatabase::Transaction {
 public:
  explicit Transaction(AccountDatabase& db) : lock_(db.mutex_), db_(db) { db_.execute("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    db_.execute("COMMIT");
    done_ = true;
  }
  sqlite3* handle() const { return db_.db_; }

 private:
  std::lock_guard<std::mutex> lock_;
  AccountDatabase& db_;
  bool done_ = false;
};

AccountDatabase::AccountDatabase(const std::string& path) : AccountDatabase(path, Capacity{}) {}

AccountDatabase::AccountDatabase(const std::string& path, Capacity capacity) : capacity_(capacity) {
  // Made (or narrowed) to the owner alone before SQLite opens it: its journal takes the same mode.
  if (const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0) {
    const bool narrowed = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!narrowed) throw DatabaseError("cannot make " + path + " private");
  }
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw DatabaseError("cannot open " + path + ": " + reason);
  }
  try {
    sqlite3_busy_timeout(db_, 5000);
    if (sqlite3_create_function_v2(db_, "normalised_address", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   normalisedAddressFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw DatabaseError(sqlite3_errmsg(db_));
    execute("PRAGMA foreign_keys = ON");
    execute("PRAGMA synchronous = FULL");
    std::lock_guard lock(mutex_);
    execute("BEGIN IMMEDIATE");
    execute(kSchema);
    // Entries of earlier versions have no age: they count as expired.
    addMissingColumn("outbox", "created_at", "INTEGER NOT NULL DEFAULT 0");
    addMissingColumn("outbox", "code", "TEXT");
    // The payload's bytes, and those it takes in a list of documents, known without reading it.
    addMissingColumn("documents", "size", "INTEGER");
    addMissingColumn("documents", "listed_size", "INTEGER");
    // Documents stored before their size was recorded get it once, so that the server's total is a
    // sum over an index rather than a read of every document.
    execute("UPDATE documents SET size = length(CAST(payload AS BLOB)) WHERE size IS NULL");
    execute(kIndexes);
    bringAddressesToOneSpelling();
    execute("COMMIT");
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

AccountDatabase::~AccountDatabase() { sqlite3_close(db_); }

void AccountDatabase::execute(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string reason = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw DatabaseError(reason);
  }
}

void AccountDatabase::bringAddressesToOneSpelling() {
  // Of an address's accounts, the one keeping the address is spelt normally already, or else is the
  // oldest; the statement sees its own renames, so that the oldest one is renamed first and alone.
  execute("UPDATE accounts SET email = normalised_address(email) WHERE email != normalised_address(email) "
          "AND NOT EXISTS (SELECT 1 FROM accounts other WHERE other.id != accounts.id "
          "AND normalised_address(other.email) = normalised_address(accounts.email) "
          "AND (other.email = normalised_address(other.email) OR other.id < accounts.id))");
  // Pending sign-ins and their links go on, now for the account of their address.
  execute("UPDATE sign_ins SET email = normalised_address(email) WHERE email != normalised_address(email)");
  execute("UPDATE outbox SET email = normalised_address(email) WHERE email != normalised_address(email)");
}

void AccountDatabase::addMissingColumn(const char* table, const char* column, const char* definition) {
  Statement existing(db_, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
  if (existing.bind(std::string(table)).bind(std::string(column)).step()) return;
  execute(("ALTER TABLE " + std::string(table) + " ADD COLUMN " + column + " " + definition).c_str());
}

bool AccountDatabase::mayJoin(const std::string& email) {
  Transaction t(*this);
  if (Statement(t.handle(), "SELECT 1 FROM accounts WHERE email = ?").bind(email).step()) return true;
  Statement count(t.handle(), "SELECT COUNT(*) FROM accounts");
  count.step();
  return static_cast<std::size_t>(count.integer(0)) < capacity_.accounts;
}

AccountDatabase::Added AccountDatabase::addSignIn(const std::string& email, const std::string& verifierHash,
                                                  const std::string& code, const std::string& link,
                                                  std::int64_t now) {
  Transaction t(*this);
  const std::int64_t expired = now - signInLifetimeSeconds;
  Statement(t.handle(), "DELETE FROM sign_ins WHERE created_at < ?").bind(expired).step();
  Statement(t.handle(), "DELETE FROM outbox WHERE created_at < ?").bind(expired).step();
  Statement pending(t.handle(), "SELECT 1 FROM sign_ins WHERE verifier_hash = ?");
  if (pending.bind(verifierHash).step()) return Added::verifierInUse;
  Statement(t.handle(), "INSERT INTO sign_ins (verifier_hash, email, code, created_at) VALUES (?, ?, ?, ?)")
      .bind(verifierHash).bind(email).bind(code).bind(now).step();
  Statement(t.handle(), "INSERT INTO outbox (email, link, code, created_at) VALUES (?, ?, ?, ?)")
      .bind(email).bind(link).bind(code).bind(now).step();
  t.commit();
  return Added::added;
}

bool AccountDatabase::isSignInPending(const std::string& code, std::int64_t now) {
  Transaction t(*this);
  return Statement(t.handle(), "SELECT 1 FROM sign_ins WHERE code = ? AND created_at >= ?")
      .bind(code).bind(now - signInLifetimeSeconds).step();
}

bool AccountDatabase::confirmSignIn(const std::string& code, std::int64_t now) {
  Transaction t(*this);
  Statement update(t.handle(), "UPDATE sign_ins SET confirmed = 1 WHERE code = ? AND created_at >= ?");
  update.bind(code).bind(now - signInLifetimeSeconds).step();
  const bool found = sqlite3_changes(t.handle()) > 0;
  t.commit();
  return found;
}

AccountDatabase::Poll AccountDatabase::collectSignIn(const std::string& verifierHash, const std::string& deviceName,
                                                     const std::string& hardwareID, const std::string& newDeviceID,
                                                     const std::string& tokenHash, std::int64_t now) {
  Transaction t(*this);
  Statement signIn(t.handle(), "SELECT email, confirmed FROM sign_ins WHERE verifier_hash = ? AND created_at >= ?");
  if (!signIn.bind(verifierHash).bind(now - signInLifetimeSeconds).step()) return {};
  if (signIn.integer(1) == 0) return {PollState::pending, {}};
  const std::string email = signIn.text(0);

  std::int64_t accountID = 0;
  if (Statement account(t.handle(), "SELECT id FROM accounts WHERE email = ?"); account.bind(email).step()) {
    accountID = account.integer(0);
  } else {
    Statement count(t.handle(), "SELECT COUNT(*) FROM accounts");
    count.step();
    // Left pending: once another account has gone, a later poll may still collect it.
    if (static_cast<std::size_t>(count.integer(0)) >= capacity_.accounts) return {PollState::noRoom, {}};
    Statement(t.handle(), "INSERT INTO accounts (email, created_at) VALUES (?, ?)").bind(email).bind(now).step();
    accountID = sqlite3_last_insert_rowid(t.handle());
  }

  Statement(t.handle(),
            "INSERT INTO devices (id, account_id, name, hardware_id, token_hash, joined, last_seen_at) "
            "VALUES (?, ?, ?, ?, ?, (SELECT COALESCE(MAX(joined), 0) + 1 FROM devices), ?)")
      .bind(newDeviceID).bind(accountID).bind(deviceName).bind(hardwareID).bind(tokenHash).bind(now).step();
  Statement(t.handle(), "DELETE FROM sign_ins WHERE verifier_hash = ?").bind(verifierHash).step();
  t.commit();
  return {PollState::confirmed, newDeviceID};
}

std::optional<AccountDatabase::Caller> AccountDatabase::authenticate(const std::string& tokenHash, std::int64_t now) {
  Transaction t(*this);
  Statement device(t.handle(), "SELECT account_id, id FROM devices WHERE token_hash = ? AND last_seen_at >= ?");
  if (!device.bind(tokenHash).bind(now - tokenIdleLifetimeSeconds).step()) return std::nullopt;
  Caller caller{device.integer(0), device.text(1)};
  // Within the same second nothing changes, and nothing is written.
  Statement(t.handle(), "UPDATE devices SET last_seen_at = ? WHERE id = ? AND last_seen_at < ?")
      .bind(now).bind(caller.deviceID).bind(now).step();
  t.commit();
  return caller;
}

std::string AccountDatabase::email(std::int64_t accountID) {
  Transaction t(*this);
  Statement account(t.handle(), "SELECT email FROM accounts WHERE id = ?");
  return account.bind(accountID).step() ? account.text(0) : std::string();
}

std::vector<AccountDatabase::Device> AccountDatabase::devices(std::int64_t accountID) {
  Transaction t(*this);
  Statement rows(t.handle(), "SELECT id, name, last_seen_at FROM devices WHERE account_id = ? ORDER BY joined");
  rows.bind(accountID);
  std::vector<Device> devices;
  while (rows.step()) devices.push_back({rows.text(0), rows.text(1), rows.integer(2)});
  return devices;
}

bool AccountDatabase::removeDevice(std::int64_t accountID, const std::string& deviceID) {
  Transaction t(*this);
  Statement(t.handle(), "DELETE FROM devices WHERE account_id = ? AND id = ?").bind(accountID).bind(deviceID).step();
  const bool removed = sqlite3_changes(t.handle()) > 0;
  t.commit();
  return removed;
}

void AccountDatabase::deleteAccount(std::int64_t accountID) {
  Transaction t(*this);
  // Only its own address: an account of an earlier build's other spelling reaches nobody's sign-in.
  for (const char* sql : {"DELETE FROM outbox WHERE email = (SELECT email FROM accounts WHERE id = ?)",
                          "DELETE FROM sign_ins WHERE email = (SELECT email FROM accounts WHERE id = ?)",
                          "DELETE FROM accounts WHERE id = ?"})
    Statement(t.handle(), sql).bind(accountID).step();
  t.commit();
}

AccountDatabase::Upload AccountDatabase::putDocument(const std::string& deviceID, std::int64_t ifRevision,
                                                     const std::string& payload, std::size_t listedBytes,
                                                     std::int64_t now, std::size_t listLimit) {
  Transaction t(*this);
  if (!Statement(t.handle(), "SELECT 1 FROM devices WHERE id = ?").bind(deviceID).step())
    return {Upload::State::noDevice, 0};
  Statement current(t.handle(), "SELECT revision FROM documents WHERE device_id = ?");
  std::int64_t revision = 1;
  if (current.bind(deviceID).step()) {
    if (current.integer(0) != ifRevision) return {Upload::State::stale, current.integer(0)};
    revision = current.integer(0) + 1;
  }
  if (overfills(t, deviceID, listedBytes, listLimit)) return {Upload::State::accountFull, revision - 1};
  if (overfillsServer(t, deviceID, payload.size())) return {Upload::State::serverFull, revision - 1};
  Statement(t.handle(),
            "INSERT INTO documents (device_id, revision, payload, updated_at, size, listed_size) "
            "VALUES (?, ?, ?, ?, ?, ?) "
            "ON CONFLICT(device_id) DO UPDATE SET revision = excluded.revision, payload = excluded.payload, "
            "updated_at = excluded.updated_at, size = excluded.size, listed_size = excluded.listed_size")
      .bind(deviceID).bind(revision).bind(payload).bind(now).bind(static_cast<std::int64_t>(payload.size()))
      .bind(static_cast<std::int64_t>(listedBytes)).step();
  t.commit();
  return {Upload::State::stored, revision};
}

bool AccountDatabase::wouldOverfill(const std::string& deviceID, std::size_t listedBytes, std::size_t listLimit) {
  Transaction t(*this);
  return overfills(t, deviceID, listedBytes, listLimit);
}

bool AccountDatabase::overfills(Transaction& t, const std::string& deviceID, std::size_t listedBytes,
                                std::size_t listLimit) {
  Statement listed(t.handle(), (std::string("SELECT COALESCE(SUM(") + kListedBytes + "), 0), COALESCE(SUM(CASE "
                                "WHEN doc.device_id = ? THEN " + kListedBytes + " END), 0) FROM documents doc "
                                "JOIN devices d ON d.id = doc.device_id "
                                "WHERE d.account_id = (SELECT account_id FROM devices WHERE id = ?)").c_str());
  listed.bind(deviceID).bind(deviceID).step();
  const auto before = static_cast<std::size_t>(listed.integer(0));
  const std::size_t after = before - static_cast<std::size_t>(listed.integer(1)) + listedBytes + 1024;
  return after > listLimit && after > before;
}

bool AccountDatabase::overfillsServer(Transaction& t, const std::string& deviceID, std::size_t payloadBytes) {
  Statement stored(t.handle(), "SELECT COALESCE(SUM(size), 0), "
                               "COALESCE((SELECT size FROM documents WHERE device_id = ?), 0) FROM documents");
  stored.bind(deviceID).step();
  const auto before = static_cast<std::uint64_t>(stored.integer(0));
  const std::uint64_t after = before - static_cast<std::uint64_t>(stored.integer(1)) + payloadBytes;
  return after > capacity_.storedBytes && after > before;
}

std::vector<AccountDatabase::Document> AccountDatabase::documents(std::int64_t accountID) {
  Transaction t(*this);
  Statement rows(t.handle(),
                 "SELECT d.id, d.name, doc.revision, doc.payload, doc.updated_at FROM documents doc "
                 "JOIN devices d ON d.id = doc.device_id WHERE d.account_id = ? ORDER BY d.joined");
  rows.bind(accountID);
  std::vector<Document> documents;
  while (rows.step())
    documents.push_back({rows.text(0), rows.text(1), rows.integer(2), rows.text(3), rows.integer(4)});
  return documents;
}

std::size_t AccountDatabase::documentsSize(std::int64_t accountID) {
  Transaction t(*this);
  Statement size(t.handle(), (std::string("SELECT COALESCE(SUM(") + kListedBytes +
                             "), 0) FROM documents doc JOIN devices d ON d.id = doc.device_id "
                             "WHERE d.account_id = ?").c_str());
  size.bind(accountID).step();
  return static_cast<std::size_t>(size.integer(0));
}

std::vector<AccountDatabase::OutboxEntry> AccountDatabase::outbox(std::int64_t now, std::size_t count) {
  Transaction t(*this);
  Statement rows(t.handle(),
                 "SELECT email, link FROM (SELECT o.id, o.email, o.link FROM outbox o "
                 "JOIN (SELECT MAX(id) AS id FROM outbox WHERE created_at >= ? GROUP BY email) newest "
                 "ON o.id = newest.id "
                 "ORDER BY EXISTS (SELECT 1 FROM accounts a WHERE a.email = o.email) DESC, o.id DESC LIMIT ?) "
                 "ORDER BY id");
  rows.bind(now - signInLifetimeSeconds).bind(static_cast<std::int64_t>(count));
  std::vector<OutboxEntry> entries;
  while (rows.step()) entries.push_back({rows.text(0), rows.text(1)});
  return entries;
}

}  // namespace amberloom::server
