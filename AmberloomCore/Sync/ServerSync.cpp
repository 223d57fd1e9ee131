#include "Sync/ServerSync.hpp"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <stop_token>

#include "Account/AccountStore.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/FolderLock.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Support/Log.hpp"
#include "Support/SerialQueue.hpp"
#include "Support/Sha256.hpp"

namespace amberloom {
namespace {

constexpr const char* kSignInRequired = ServerSync::signInRequired;
constexpr const char* kRevisionUnreadable = "Could not read the server's version.";
constexpr const char* kNotPrepared = "This Mac's settings could not be prepared for upload.";
constexpr const char* kTooLarge = "This Mac's settings are too large to share.";
constexpr const char* kAccountFull = "Your Macs' settings together are more than the server keeps for one account.";
constexpr const char* kOffline = "No internet connection.";
constexpr const char* kSessionInvalid = ServerSync::sessionInvalid;
constexpr const char* kBusy = "The server is busy right now.";
constexpr const char* kUnreachable = "Could not reach the server.";
constexpr const char* kNotKept =
    "This Mac's settings could not be kept to be sent later either, so they will not reach your other Macs: ";

using Failure = AccountClient::Failure;

// The sentence of a failed upload.
std::string failureSentence(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Failure& failure) {
    switch (failure.errorCase()) {
      case Failure::Case::offline: return kOffline;
      case Failure::Case::needsSignIn: return kSessionInvalid;
      case Failure::Case::tooManyRequests: return kBusy;
      case Failure::Case::server:
      case Failure::Case::revisionStale: break;
    }
  } catch (...) {  // any other error reads as the server out of reach; the caller logs it
  }
  return kUnreachable;
}

// `bytes` with every byte that does not belong to a well-formed UTF-8 sequence replaced by U+FFFD.
std::string repairedUtf8(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead < 0x80) length = 1;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;          // no overlong forms
      if (lead == 0xED) high = 0x9F;         // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;         // nothing above U+10FFFF
    }
    bool valid = length > 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = byte(i + k);
      valid = k == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
    }
    if (valid) {
      text.append(bytes, i, length);
      i += length;
    } else {
      text += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return text;
}

// A document ready to go: the bytes kept in the pending file and the text uploaded; or, when it
// cannot go, why not.
struct Prepared {
  std::string bytes;
  std::string text;
  std::string refusal;  // empty when the document can be sent
};

// Refused when the document cannot be encoded, is larger than a server takes, or its upload would
// not read back as a document (every other Mac, and this one from the pending file, would refuse it).
Prepared prepare(const SyncDocument& document) {
  Prepared prepared;
  try {
    prepared.bytes = document.encoded();
    prepared.text = repairedUtf8(prepared.bytes);
    if (prepared.text.size() > SyncDocument::maximumSize) {
      prepared.refusal = kTooLarge;
      return prepared;
    }
    SyncDocument::fromData(prepared.text);
  } catch (...) {
    log::dropped(log::Area::sync, "This Mac's sync document cannot be prepared for upload");
    prepared.refusal = kNotPrepared;
  }
  return prepared;
}

bool isTooLarge(const Failure& failure) {
  return failure.errorCase() == Failure::Case::server && failure.status() == 413;
}

bool isRefusedSession(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Failure& failure) {
    return failure.errorCase() == Failure::Case::needsSignIn;
  } catch (...) {
    return false;
  }
}

// What queueing a document did: nothing when it is the pending one now; else why it could not be
// kept, and what the pending file holds in its place (none when nothing).
struct Queued {
  std::optional<std::string> notKept;
  std::optional<std::string> leftInstead;
};

}  // namespace

bool ServerSync::Outcome::waitsForSignIn() const {
  return case_ == Case::queued && (reason_ == kSignInRequired || reason_ == kSessionInvalid);
}

bool ServerSync::Outcome::waitsForNetwork() const { return case_ == Case::queued && reason_ == kOffline; }

bool ServerSync::Outcome::waitsForRoom() const { return case_ == Case::queued && reason_ == kAccountFull; }

bool ServerSync::Outcome::isTooLarge() const { return case_ == Case::notSent && reason_ == kTooLarge; }

struct ServerSync::Actor {
  explicit Actor(AccountClient client) : client(std::move(client)) {}

  AccountClient client;
  SessionProvider currentSession;
  EarlierDevices earlierDevices;
  std::mutex refusedMutex;
  SessionRefused refused;
  UserDefaultsRef defaults;
  std::string hardwareID;
  std::string pendingPath;

  std::stop_source stopping;  // cancels the requests under way when the owner goes

  // The stored revision is shared by both lanes. `revisionWrites` counts the revisions stored, so
  // that a fetch whose list was read before an upload landed does not put the older revision back.
  std::mutex revisionMutex;
  std::uint64_t revisionWrites = 0;

  // The digest of the pending document known to be older than one the server took, for when the
  // preferences cannot keep it either.
  std::mutex supersededMutex;
  std::optional<std::string> superseded;

  std::optional<SerialQueue> uploads;  // publish and flush
  std::optional<SerialQueue> reads;    // fetches and the pending check

  std::uint64_t revisionWritesSoFar() {
    std::lock_guard lock(revisionMutex);
    return revisionWrites;
  }

  std::int64_t storedRevision() {
    std::lock_guard lock(revisionMutex);
    return defaults->integerValue(revisionKey).value_or(0);
  }

  // A revision that cannot be stored costs at most one refused upload later. With `unlessAfter`,
  // only when no other revision was stored since that count was taken.
  void storeRevision(std::int64_t revision, std::optional<std::uint64_t> unlessAfter = std::nullopt) {
    std::lock_guard lock(revisionMutex);
    if (unlessAfter && *unlessAfter != revisionWrites) return;
    ++revisionWrites;
    try {
      defaults->setInteger(revision, revisionKey);
    } catch (...) {
      log::dropped(log::Area::sync, "The server's revision " + std::to_string(revision) + " cannot be stored");
    }
  }

  std::string pendingFolder() const { return std::filesystem::path(pendingPath).parent_path().string(); }

  // Keeps the document as the pending one (a read-only or full disk may refuse it).
  Queued queue(const Prepared& prepared) {
    const auto notKeptFor = [&](std::string why) {
      std::string held;
      return Queued{std::move(why), platform::readWholeFile(pendingPath, held) ? std::optional(held) : std::nullopt};
    };
    const platform::FolderLock lock(pendingFolder());
    // Unlocked, the document could replace a newer one another process is keeping there.
    if (!lock.locked())
      return notKeptFor("its folder " + pendingFolder() + " cannot be locked (" + lock.error().message() + ")");
    try {
      platform::writeFileAtomically(pendingPath, prepared.bytes);
    } catch (const std::exception& error) {
      // A pending document sent again is already there, whether or not it could be written anew.
      std::string held;
      if (!platform::readWholeFile(pendingPath, held) || held != prepared.bytes) return notKeptFor(error.what());
    }
    // The pending file holds this very document, which is to go even if an older copy of it was
    // superseded once.
    forgetSuperseded();
    return {};
  }

  bool isSuperseded(const std::string& bytes) {
    const std::string digest = sha256Hex(bytes);
    {
      std::lock_guard lock(supersededMutex);
      if (superseded == digest) return true;
    }
    return defaults->stringValue(supersededKey) == digest;
  }

  // The pending file holds `bytes`, older than a document the server took, and cannot be removed.
  void markSuperseded(const std::string& bytes) {
    const std::string digest = sha256Hex(bytes);
    {
      std::lock_guard lock(supersededMutex);
      superseded = digest;
    }
    try {
      defaults->setString(digest, supersededKey);
    } catch (...) {
      log::dropped(log::Area::sync, "The superseded pending sync document is only remembered until this process ends");
    }
  }

  void forgetSuperseded() {
    {
      std::lock_guard lock(supersededMutex);
      superseded.reset();
    }
    try {
      if (defaults->value(supersededKey)) defaults->remove(supersededKey);
    } catch (...) {
      log::dropped(log::Area::sync, "A superseded pending sync document cannot be forgotten");
    }
  }

  // Removes the pending file, which holds `bytes`; what cannot be removed is never sent again.
  // Under the folder's lock, when it can be had.
  void dropPending(const std::string& bytes, const platform::FolderLock& lock) {
    std::error_code ec;
    if (lock.locked()) std::filesystem::remove(pendingPath, ec);
    if (lock.locked() && !ec) {
      forgetSuperseded();
      return;
    }
    log::warning(log::Area::sync, "The pending sync document " + pendingPath +
                                      " cannot be removed; it is superseded and will not be sent again (" +
                                      (lock.locked() ? ec : lock.error()).message() + ")");
    markSuperseded(bytes);
  }

  // Removes the pending file while it holds `bytes`, or `older` (what it held in place of a
  // document it could not take): what another process queued since stays.
  void clearQueue(const std::string& bytes, const std::optional<std::string>& older = std::nullopt) {
    const platform::FolderLock lock(pendingFolder());
    std::string held;
    if (!platform::readWholeFile(pendingPath, held)) return;
    if (held == bytes || (older && held == *older)) dropPending(held, lock);
  }

  // One upload against the stored revision; throws the client's error.
  Outcome attempt(const Prepared& prepared, const AccountClient::Session& session, const Queued& queued) {
    const auto revision =
        client.putDocument(prepared.text, storedRevision(), session.token, hardwareID, stopping.get_token());
    storeRevision(revision);
    clearQueue(prepared.bytes, queued.leftInstead);
    return Outcome::published(revision);
  }

  void noteRefusal(const AccountClient::Session& session, const std::exception_ptr& error) {
    if (!isRefusedSession(error)) return;
    SessionRefused tell;
    {
      std::lock_guard lock(refusedMutex);
      tell = refused;
    }
    if (tell) tell(session);
  }

  // After a refused upload: this Mac's revision as the server lists it. When the list holds no
  // document of this Mac (a new account, or this Mac removed from it), the next upload is a
  // first one, made against revision 0.
  bool refreshRevision(const std::string& token) {
    const auto session = currentSession();
    if (!session) return false;
    try {
      for (const auto& record : client.documents(token, stopping.get_token()))
        if (record.deviceID == session->deviceID) {
          storeRevision(record.revision);
          return true;
        }
    } catch (const Failure& failure) {
      // A refused session is the upload's failure, not an unreadable revision.
      if (failure.errorCase() == Failure::Case::needsSignIn) throw;
      log::dropped(log::Area::sync, "The server's revision of this Mac's settings cannot be read");
      return false;
    } catch (...) {
      log::dropped(log::Area::sync, "The server's revision of this Mac's settings cannot be read");
      return false;
    }
    storeRevision(0);
    return true;
  }

  // The document was not taken, for `reason`: it waits as the pending one, or, when it could not
  // be kept (`notKept` says why), nothing of it is left to send later.
  static Outcome unsent(const std::string& reason, const std::optional<std::string>& notKept) {
    if (!notKept) return Outcome::queued(reason);
    return Outcome::notSent(reason + " " + kNotKept + *notKept);
  }

  // The outcome of an upload that failed with `error`: the document stays pending, unless no server
  // would ever take it.
  Outcome failed(const Prepared& prepared, const std::exception_ptr& error, const std::optional<std::string>& notKept) {
    log::warning(log::Area::sync, "The upload of this Mac's settings failed: " + log::errorText(error));
    try {
      std::rethrow_exception(error);
    } catch (const Failure& failure) {
      // Room comes back when another Mac's settings take less, or a Mac leaves the account.
      if (isTooLarge(failure) && failure.code() == "account_full") return unsent(kAccountFull, notKept);
      if (isTooLarge(failure)) {
        clearQueue(prepared.bytes);
        return Outcome::notSent(kTooLarge);
      }
    } catch (...) {  // logged above
    }
    return unsent(failureSentence(error), notKept);
  }

  Outcome publish(const SyncDocument& document) {
    const auto prepared = prepare(document);
    if (!prepared.refusal.empty()) return Outcome::notSent(prepared.refusal);  // nothing could be kept either
    const auto queued = queue(prepared);
    const auto session = currentSession();
    if (!session) return unsent(kSignInRequired, queued.notKept);
    try {
      try {
        return attempt(prepared, *session, queued);
      } catch (const Failure& failure) {
        if (failure.errorCase() != Failure::Case::revisionStale) throw;
      }
      if (!refreshRevision(session->token)) return unsent(kRevisionUnreadable, queued.notKept);
      return attempt(prepared, *session, queued);
    } catch (...) {
      noteRefusal(*session, std::current_exception());
      return failed(prepared, std::current_exception(), queued.notKept);
    }
  }

  bool holdsSupersededDocument() {
    std::string bytes;
    return platform::readWholeFile(pendingPath, bytes) && isSuperseded(bytes);
  }

  std::optional<Outcome> flushPending() {
    std::string bytes;
    if (!platform::readWholeFile(pendingPath, bytes) || bytes.empty()) return std::nullopt;
    if (isSuperseded(bytes)) {
      // Older than what the server holds: sent, it would put this Mac's older values back there.
      const platform::FolderLock lock(pendingFolder());
      std::string held;
      if (platform::readWholeFile(pendingPath, held) && held == bytes) dropPending(held, lock);
      return std::nullopt;
    }
    std::optional<SyncDocument> document;
    try {
      document = SyncDocument::fromData(bytes);
    } catch (...) {
      log::dropped(log::Area::sync, "The pending sync document " + pendingPath + " cannot be read; it is left as it is");
      return std::nullopt;  // left for a later publish to replace or clear
    }
    return publish(*document);
  }

  SyncService::ReadResult fetchOthers() {
    const auto session = currentSession();
    if (!session) return SyncService::ReadResult({}, {});
    const auto writesBefore = revisionWritesSoFar();
    std::vector<AccountClient::RemoteDocument> records;
    try {
      records = client.documents(session->token, stopping.get_token());
    } catch (...) {
      noteRefusal(*session, std::current_exception());
      throw;
    }
    const auto earlier = earlierDevices ? earlierDevices() : std::vector<std::string>{};
    const auto isOwn = [&](const std::string& id) {
      return id == session->deviceID || std::find(earlier.begin(), earlier.end(), id) != earlier.end();
    };
    std::vector<std::pair<SyncDocument, const AccountClient::RemoteDocument*>> listed;
    std::vector<std::string> unreadable;
    std::map<std::string, int> holders;  // device id to the listed documents that carry it
    for (const auto& record : records) {
      if (isOwn(record.deviceID)) continue;
      try {
        listed.emplace_back(SyncDocument::fromData(record.payload), &record);
        ++holders[listed.back().first.deviceID];
      } catch (...) {
        log::dropped(log::Area::sync, "The document of the account's device " + record.deviceID + " is unreadable",
                     log::Level::info);
        unreadable.push_back(record.deviceName);
      }
    }
    // A Mac is known by its document's device id; Macs that share one (a cloned disk) by their
    // entries on the account, which never repeat.
    std::vector<SyncDocument> documents;
    std::vector<std::string> sources;
    std::map<std::string, double> sharedAt;
    std::map<std::string, std::string> entryNames;
    for (auto& [document, record] : listed) {
      sources.push_back(holders[document.deviceID] > 1 ? record->deviceID : document.deviceID);
      sharedAt[sources.back()] = record->updatedAt;
      entryNames[record->deviceID] = document.displayName();
      documents.push_back(std::move(document));
    }
    for (const auto& record : records)
      if (record.deviceID == session->deviceID) {
        storeRevision(record.revision, writesBefore);
        break;
      }
    SyncService::ReadResult result(std::move(documents), std::move(unreadable), std::move(sharedAt),
                                   std::move(sources));
    result.entryNames = std::move(entryNames);
    return result;
  }
};

ServerSync::ServerSync(AccountClient client, SessionProvider session, UserDefaultsRef defaults, std::string hardwareID,
                       std::optional<std::string> pendingPath, EarlierDevices earlierDevices)
    : actor_(std::make_unique<Actor>(std::move(client))) {
  if (session) {
    actor_->currentSession = std::move(session);
  } else {
    const auto store = std::make_shared<AccountStore>(AccountStore::standard());
    actor_->currentSession = [store, server = actor_->client.base()] { return store->session(server); };
    if (!earlierDevices) earlierDevices = [store] { return store->earlierDeviceIDs(); };
  }
  actor_->earlierDevices = std::move(earlierDevices);
  actor_->defaults = std::move(defaults);
  actor_->hardwareID = std::move(hardwareID);
  actor_->pendingPath =
      pendingPath ? std::move(*pendingPath) : platform::applicationSupportDirectory() + "/AmberLoom/pending-sync.json";
  actor_->uploads.emplace();
  actor_->reads.emplace();
}

ServerSync::~ServerSync() {
  actor_->stopping.request_stop();
  actor_->uploads.reset();
  actor_->reads.reset();
}

const std::string& ServerSync::pendingPath() const { return actor_->pendingPath; }

void ServerSync::setSessionRefused(SessionRefused refused) {
  std::lock_guard lock(actor_->refusedMutex);
  actor_->refused = std::move(refused);
}

std::future<bool> ServerSync::hasPendingDocument() {
  return actor_->reads->enqueue([actor = actor_.get()] {
    std::error_code ignored;
    return std::filesystem::exists(actor->pendingPath, ignored) && !actor->holdsSupersededDocument();
  });
}

std::future<ServerSync::Outcome> ServerSync::publish(SyncDocument document) {
  return actor_->uploads->enqueue(
      [actor = actor_.get(), document = std::move(document)] { return actor->publish(document); });
}

std::future<std::optional<ServerSync::Outcome>> ServerSync::flushPending() {
  return actor_->uploads->enqueue([actor = actor_.get()] { return actor->flushPending(); });
}

std::future<SyncService::ReadResult> ServerSync::fetchOthers() {
  return actor_->reads->enqueue([actor = actor_.get()] { return actor->fetchOthers(); });
}

}  // namespace amberloom
