#pragma once
// The account as the screens see it: sign-in by an e-mailed link (the address is sent, the server
// mails a link, this Mac polls until the link has been opened and then stores the device token),
// the account's Macs, removing a Mac, signing out and deleting the account. Every server failure
// ends as one sentence in `message`; no operation throws.
//
// Main thread only. Requests run on the worker pool and report back with queued calls, so
// the window never waits on the network. The wait for the link is a timer of the main thread that
// polls every `pollInterval` until `waitLimit` has passed on the monotonic clock; a poll that
// cannot reach the server (offline, busy, a server fault) is tried again at the next turn, so a
// link opened once the network is back still signs this Mac in. Giving up the wait (or signing
// out) ends it for good: an answer that arrives later for it is dropped, so it can never sign
// anyone in.
//
// A session the server refuses (401 for this Mac's own token, here or in a sync of its settings)
// is over: this Mac is signed out, the address kept, and `message` says why.

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "Account/AccountClient.hpp"
#include "Account/AccountStore.hpp"
#include "Kit/BackgroundCall.hpp"

namespace amberloom::ui {


class AccountModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The application builds the one account model")
  Q_PROPERTY(State state READ state NOTIFY stateChanged)
  // The address of the waiting and signed-in states; empty in the others.
  Q_PROPERTY(QString stateEmail READ stateEmail NOTIFY stateChanged)
  Q_PROPERTY(QString message READ message NOTIFY messageChanged)
  Q_PROPERTY(bool hasMessage READ hasMessage NOTIFY messageChanged)
  Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
  // The account's Macs as last loaded: maps with deviceID, name, lastSeenAt and isThisMac.
  Q_PROPERTY(QVariantList devices READ deviceList NOTIFY devicesChanged)

 public:
  enum State { SignedOut, Sending, Waiting, SignedIn };
  Q_ENUM(State)

  struct Timing {
    std::chrono::milliseconds pollInterval{std::chrono::seconds(2)};
    // As long as the waiting screen says the link stays valid.
    std::chrono::milliseconds waitLimit{std::chrono::minutes(15)};
  };

  struct Session {
    std::string token;
    std::string deviceID;
    bool operator==(const Session&) const = default;
  };

  static inline const QString incompleteAddress = QStringLiteral("That email address looks incomplete.");
  static inline const QString linkNotConfirmed = QStringLiteral("The link was not confirmed. Try again.");
  static inline const QString earlierBuildSession = QStringLiteral(
      "This Mac was signed in by an earlier version of AmberLoom. Sign in again to keep carrying your settings "
      "between your Macs.");
  // %1: the account server the stored session belongs to.
  static inline const QString otherServerSession = QStringLiteral(
      "This Mac was signed in at another account server (%1). Sign in again to carry your settings through this "
      "one.");
  static inline const QString sessionRefusedMessage = QStringLiteral(
      "The account server no longer accepts this Mac's session (it may have been removed from your account on "
      "another Mac). Sign in again to keep carrying your settings between your Macs.");
  static inline const QString sessionKept = QStringLiteral(
      "AmberLoom could not forget the session on this Mac and will be signed in again when it next opens. Sign out "
      "again once your Library folder can be written to.");

  // Signed in at once when `store` holds an account and a token that this client's server issued
  // (then `email` is the stored address); sends nothing. A stored account that this server did not
  // sign in (an earlier version kept no server, or another server did) leaves it signed out with
  // the stored address in `email` and the reason in `message`. Without `timing`, the standard one.
  AccountModel(AccountClient client, AccountStore store, std::string deviceName, std::string hardwareID,
               QObject* parent = nullptr);
  AccountModel(AccountClient client, AccountStore store, std::string deviceName, std::string hardwareID,
               Timing timing, QObject* parent = nullptr);
  ~AccountModel() override;

  State state() const { return state_; }
  QString stateEmail() const { return stateEmail_; }
  QString message() const { return message_.value_or(QString()); }
  bool hasMessage() const { return message_.has_value(); }
  const std::optional<QString>& messageIfAny() const { return message_; }
  QString email() const { return email_; }
  void setEmail(const QString& email);
  const std::vector<AccountClient::Account::Device>& devices() const { return devices_; }
  QVariantList deviceList() const;
  // Where the devices' names come from besides the server's list, which keeps the name a Mac had
  // when it signed in: this Mac is named as it is named now, another Mac as its shared document
  // names it (entry id to name), so that the Account page and My Macs name every Mac alike.
  using MacNames = std::function<std::map<std::string, std::string>()>;
  void setMacNames(MacNames names);
  // The names behind setMacNames changed.
  void macNamesChanged() { emit devicesChanged(); }

  // The stored account's device id with the stored token; none unless both are there.
  std::optional<Session> session() const;

  // Checks the typed address (trimmed, lower-cased) and, when it will do, requests a link and
  // waits for it; returns at once. An address without "@" or shorter than 4 characters only sets
  // the message. Starting again gives up any wait under way.
  Q_INVOKABLE void signIn();
  // Gives up the wait for the link: signed out, the message as it was.
  Q_INVOKABLE void cancelWaiting();
  // Loads the account's Macs into `devices` and returns the load's number (0 without a session,
  // when nothing is loaded). This Mac's earlier entries are never listed: they are taken off the
  // account on the way (as after every sign-in), and a failure to do so is not reported.
  Q_INVOKABLE int loadAccount();
  // Drops the answer of load `load` (the page that asked is gone): neither `devices` nor the
  // message changes for it. Loads another page asked for go on.
  Q_INVOKABLE void cancelLoading(int load);
  // Removes a Mac from the account; removing this Mac signs out here, any other reloads the list.
  Q_INVOKABLE void removeDevice(const QString& id);
  // Forgets the session on this Mac; sends nothing. Signed out from then on; when the session
  // stays on disk all the same, `message` says it will be back at the next start.
  Q_INVOKABLE void signOut();
  // Deletes the account on the server, then signs out; on failure the session stays.
  Q_INVOKABLE void deleteAccount();

  // The server refused `token` (401): when it is this Mac's stored token, signs out here with the
  // reason; a token since replaced by another sign-in changes nothing.
  void sessionRefused(const std::string& token);
  // Hands sessionRefused the tokens that requests elsewhere see refused; any thread, and harmless
  // once the model is gone.
  std::function<void(const std::string& token)> refusalListener();

  // The sentence shown for an error.
  static QString describe(const std::exception_ptr& error);

 signals:
  void stateChanged();
  void messageChanged();
  void emailChanged();
  void devicesChanged();

 private:
  void setState(State state, const QString& email = {});
  void setMessage(const std::optional<QString>& message);
  void setDevices(std::vector<AccountClient::Account::Device> devices);
  // Ends the sign-in under way (request or wait): its answers are dropped from now on.
  void endAttempt();
  void requestLink(const std::string& address);
  void scheduleNextPoll();
  void poll();
  void finishSignIn(const std::optional<AccountClient::Session>& session);
  // Takes this Mac's earlier entries off the account in the background; the account's Macs come
  // back to `settled`.
  void retireEarlierEntries(const AccountClient::Session& session, std::stop_token stop,
                            std::function<void(BackgroundOutcome<AccountClient::Account>)> settled);
  // Whether a failed poll says only that the link was never confirmed: the server no longer knows
  // the sign-in (404) as the wait runs out.
  bool endsUnconfirmed(const std::exception_ptr& error) const;
  // Whether a failed poll says nothing of the sign-in itself: the server could not be reached or
  // could not answer for now.
  static bool isPassing(const std::exception_ptr& error);
  // Shows `error` for a request made with `token`; a refusal of this Mac's own token signs out.
  void failedWith(const std::exception_ptr& error, const std::string& token);
  void signOutHere();

  AccountClient client_;
  AccountStore store_;
  std::string deviceName_;
  MacNames macNames_;
  std::string hardwareID_;
  Timing timing_;

  State state_ = SignedOut;
  QString stateEmail_;
  std::optional<QString> message_;
  QString email_;
  std::vector<AccountClient::Account::Device> devices_;

  // The sign-in under way: its number (answers of an older one are dropped), its verifier, the
  // address being signed in, when the wait gives up, and the stop of its request in flight.
  std::uint64_t attempt_ = 0;
  std::optional<std::string> verifier_;
  std::string waitingAddress_;
  std::chrono::steady_clock::time_point deadline_;
  std::stop_source attemptStop_;
  QTimer pollTimer_;

  // The loads under way by number, each with its own stop.
  std::map<int, std::stop_source> loads_;
  int lastLoad_ = 0;
  std::stop_source lifetimeStop_;
  std::shared_ptr<BackgroundInbox> inbox_;
};

}  // namespace amberloom::ui
