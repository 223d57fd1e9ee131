#pragma once
// Carries this Mac's sync document to the account server and brings the other Macs' documents
// back. The last server revision of this Mac's document is kept in the user defaults
// ("sync.serverRevision") and sent with every upload, so that the server refuses an upload made
// against an older one; a document that cannot be sent (no session, no network, a server error)
// waits in a pending file, to be sent by a later call.
//
// Uploads (publish, flush) run on the worker pool one at a time, in the order they were called, so
// that an older document never overtakes a newer one; fetches and the pending check run in a second
// queue beside them, so that a slow upload holds up nothing else (see Support/SerialQueue.hpp).
// Each operation returns a future at once; the caller waits on it when it needs the answer, through
// awaitResult when the caller is itself work of the pool. Any thread. Nothing here shows
// anything to the user: a publish answers with a sentence the caller may show.
//
// A document goes into the pending file before its upload starts and leaves it only when the
// server has taken it, so a process cut off mid-upload (the login-time run at its time limit, a
// quit) still sends it at the next start. The pending file is shared by every process of the user
// and changed only under the advisory lock of its folder: an upload clears it only while it still
// holds the document just sent, never a newer one another process left there.
//
// Once the server has taken a document, an older pending one is never sent: when the pending file
// cannot be replaced or removed (a read-only or full disk), the document it holds is remembered as
// superseded (in memory, and under "sync.supersededPending" while the preferences can be written)
// and reads as nothing waiting.

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Account/AccountClient.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/SyncService.hpp"

namespace amberloom {

class ServerSync {
 public:
  // The result of a publish: accepted with the server's new revision; not accepted and kept as
  // the pending document; or not sent and not kept, because the document could not be prepared
  // for upload, is too large, or could not be written to the pending file (one refused before its
  // upload leaves an earlier pending document as it was). The last two carry a sentence saying why.
  class Outcome {
   public:
    enum class Case { published, queued, notSent };
    static Outcome published(std::int64_t revision) { return Outcome(Case::published, revision, {}); }
    static Outcome queued(std::string reason) { return Outcome(Case::queued, 0, std::move(reason)); }
    static Outcome notSent(std::string reason) { return Outcome(Case::notSent, 0, std::move(reason)); }

    Case outcomeCase() const { return case_; }
    std::int64_t revision() const { return revision_; }  // 0 unless published
    const std::string& reason() const { return reason_; }  // empty when published
    // Queued until this Mac signs in again (signed out, or its session refused), not until it is
    // back online.
    bool waitsForSignIn() const;
    // Queued because this Mac is offline: the only wait that ends by itself.
    bool waitsForNetwork() const;
    // Queued because the account has no room for it: it waits until the user makes some.
    bool waitsForRoom() const;
    // Not sent, being larger than any server takes.
    bool isTooLarge() const;
    bool operator==(const Outcome&) const = default;

   private:
    Outcome(Case c, std::int64_t revision, std::string reason)
        : case_(c), revision_(revision), reason_(std::move(reason)) {}
    Case case_;
    std::int64_t revision_;
    std::string reason_;
  };

  // Where the session comes from; asked afresh by every operation that needs it, so a sign-in or
  // sign-out needs no new ServerSync. None: signed out.
  using SessionProvider = std::function<std::optional<AccountClient::Session>()>;

  // The device entries this Mac held before the session's one, asked afresh by every fetch: their
  // documents are this Mac's own old values, never another Mac's.
  using EarlierDevices = std::function<std::vector<std::string>()>;

  // Told, on a worker, of every session the server refused (401) on one of these requests.
  using SessionRefused = std::function<void(const AccountClient::Session&)>;

  static constexpr const char* revisionKey = "sync.serverRevision";
  // The SHA-256 (hex) of a pending document the server has since taken a newer one in place of.
  static constexpr const char* supersededKey = "sync.supersededPending";
  static constexpr const char* signInRequired = "Sign-in required.";
  static constexpr const char* sessionInvalid = "Session invalid — please sign in again.";

  // `session` none: the keychain session of AccountStore ("tv.winterbrae.amberloom.session",
  // "device-token") with the standard user defaults, and that store's earlier devices unless
  // `earlierDevices` names others. `pendingPath` none: "pending-sync.json" in the application's
  // folder under Application Support. Creates no file or folder.
  ServerSync(AccountClient client, SessionProvider session, UserDefaultsRef defaults, std::string hardwareID,
             std::optional<std::string> pendingPath = std::nullopt, EarlierDevices earlierDevices = {});
  // Cancels the requests under way (an upload's document stays the pending one), lets the
  // operations already called finish, then returns.
  ~ServerSync();
  ServerSync(const ServerSync&) = delete;
  ServerSync& operator=(const ServerSync&) = delete;

  const std::string& pendingPath() const;
  // Whom to tell of a refused session; set before the first operation.
  void setSessionRefused(SessionRefused refused);

  // Whether a pending file exists (readable or not) that does not hold a superseded document.
  std::future<bool> hasPendingDocument();
  // Uploads `document` against the stored revision, refreshing the revision once after a 409.
  // Never fails: every failure is `queued` with its sentence, or `notSent` when the document cannot
  // be prepared for upload or is larger than any server takes (SyncDocument::maximumSize, or the
  // server's 413): such a document is never kept, so it is not sent again and again. A document
  // that went unsent and could not be written to the pending file is `notSent` too, its sentence
  // saying so.
  std::future<Outcome> publish(SyncDocument document);
  // Publishes the pending document; none when there is none, it cannot be read (the file is then
  // left as it is), or it is superseded (the file is removed if it can be).
  std::future<std::optional<Outcome>> flushPending();
  // The other Macs' documents, each known by its device id, or where two share one by its entry on
  // the account (SyncService::ReadResult::sources); this Mac's own and those of its earlier
  // entries are skipped, and its revision stored unless an
  // upload stored a newer one meanwhile. Without a session an empty result, nothing sent. The
  // future throws AccountClient's errors unchanged.
  std::future<SyncService::ReadResult> fetchOthers();

 private:
  struct Actor;
  std::unique_ptr<Actor> actor_;
};

}  // namespace amberloom
