#include "Account/AccountModel.hpp"

#include <QVariantMap>
#include <algorithm>

#include "Account/AccountTexts.hpp"
#include "Kit/BackgroundCall.hpp"
#include "Kit/DisplayText.hpp"
#include "Kit/Logging.hpp"

namespace amberloom::ui {

using Device = AccountClient::Account::Device;

AccountModel::AccountModel(AccountClient client, AccountStore store, std::string deviceName, std::string hardwareID,
                           QObject* parent)
    : AccountModel(std::move(client), std::move(store), std::move(deviceName), std::move(hardwareID), Timing{},
                   parent) {}

AccountModel::AccountModel(AccountClient client, AccountStore store, std::string deviceName, std::string hardwareID,
                           Timing timing, QObject* parent)
    : QObject(parent),
      client_(std::move(client)),
      store_(std::move(store)),
      deviceName_(std::move(deviceName)),
      hardwareID_(std::move(hardwareID)),
      timing_(timing),
      inbox_(std::make_shared<BackgroundInbox>(this)) {
  pollTimer_.setSingleShot(true);
  connect(&pollTimer_, &QTimer::timeout, this, &AccountModel::poll);
  // A session that another account server issued is no session here: its address is kept for the
  // sign-in that has to follow, and the reason said.
  if (const auto stored = store_.stored()) {
    email_ = QString::fromStdString(stored->email);
    // A session saved before this Mac's entries were recorded apart from the preferences.
    store_.recordStoredDevice();
    if (store_.session(client_.base()))
      setState(SignedIn, email_);
    else if (const auto issuer = store_.server(); !issuer)
      setMessage(earlierBuildSession);
    else
      setMessage(otherServerSession.arg(display::oneLine(QString::fromStdString(*issuer), 200)));
  }
}

AccountModel::~AccountModel() {
  inbox_->close();
  attemptStop_.request_stop();
  for (auto& [load, stop] : loads_) stop.request_stop();
  lifetimeStop_.request_stop();
}

void AccountModel::setState(State state, const QString& email) {
  if (state == state_ && email == stateEmail_) return;
  state_ = state;
  stateEmail_ = email;
  emit stateChanged();
}

void AccountModel::setMessage(const std::optional<QString>& message) {
  if (message == message_) return;
  message_ = message;
  emit messageChanged();
}

void AccountModel::setEmail(const QString& email) {
  if (email == email_) return;
  email_ = email;
  emit emailChanged();
}

void AccountModel::setDevices(std::vector<Device> devices) {
  if (devices == devices_) return;
  devices_ = std::move(devices);
  emit devicesChanged();
}

void AccountModel::setMacNames(MacNames names) {
  macNames_ = std::move(names);
  emit devicesChanged();
}

QVariantList AccountModel::deviceList() const {
  const auto shared = macNames_ ? macNames_() : std::map<std::string, std::string>{};
  QVariantList list;
  for (const Device& device : devices_) {
    const auto found = shared.find(device.id);
    const std::string& name = device.isThisMac ? deviceName_ : found != shared.end() ? found->second : device.name;
    list.append(QVariantMap{{QStringLiteral("deviceID"), QString::fromStdString(device.id)},
                            {QStringLiteral("name"), macName(name)},
                            {QStringLiteral("lastSeenAt"), device.lastSeenAt},
                            {QStringLiteral("isThisMac"), device.isThisMac}});
  }
  return list;
}

std::optional<AccountModel::Session> AccountModel::session() const {
  auto current = store_.session(client_.base());
  if (!current) return std::nullopt;
  return Session{std::move(current->token), std::move(current->deviceID)};
}

void AccountModel::endAttempt() {
  ++attempt_;
  pollTimer_.stop();
  attemptStop_.request_stop();
  attemptStop_ = std::stop_source();
}

void AccountModel::signIn() {
  const QString address = email_.trimmed().toLower();
  if (!address.contains(u'@') || display::characterCount(address) < 4) {
    setMessage(incompleteAddress);
    return;
  }
  endAttempt();
  setMessage(std::nullopt);
  setState(Sending);
  requestLink(address.toStdString());
}

void AccountModel::requestLink(const std::string& address) {
  const auto attempt = attempt_;
  runOffMainThread(
      inbox_,
      [client = client_, address, stop = attemptStop_.get_token()] { return client.requestSignIn(address, stop); },
      [this, attempt, address](BackgroundOutcome<std::string> outcome) {
        if (attempt != attempt_) return;
        if (outcome.error) {
          setState(SignedOut);
          setMessage(describe(outcome.error));
          return;
        }
        verifier_ = std::move(*outcome.value);
        waitingAddress_ = address;
        setState(Waiting, QString::fromStdString(address));
        deadline_ = std::chrono::steady_clock::now() + timing_.waitLimit;
        scheduleNextPoll();
      });
}

void AccountModel::scheduleNextPoll() { pollTimer_.start(timing_.pollInterval); }

void AccountModel::poll() {
  if (!verifier_) return;
  const auto attempt = attempt_;
  runOffMainThread(
      inbox_,
      [client = client_, verifier = *verifier_, deviceName = deviceName_, hardwareID = hardwareID_,
       stop = attemptStop_.get_token()] { return client.pollForSession(verifier, deviceName, hardwareID, stop); },
      [this, attempt](BackgroundOutcome<std::optional<AccountClient::Session>> outcome) {
        // An answer for a wait that was given up (or replaced) signs nobody in.
        if (attempt != attempt_) return;
        const bool timeUp = std::chrono::steady_clock::now() >= deadline_;
        if (outcome.error && isPassing(outcome.error) && !timeUp) {
          // The link may be opened while the network is away: the wait goes on.
          qCInfo(lcAccount).noquote() << "A poll for the sign-in link failed; trying again:" << describe(outcome.error);
          scheduleNextPoll();
        } else if (outcome.error) {
          setState(SignedOut);
          setMessage(endsUnconfirmed(outcome.error) ? linkNotConfirmed : describe(outcome.error));
        } else if (*outcome.value) {
          finishSignIn(*outcome.value);
        } else if (timeUp) {
          if (state_ == Waiting) {
            setState(SignedOut);
            setMessage(linkNotConfirmed);
          }
        } else {
          scheduleNextPoll();
        }
      });
}

void AccountModel::finishSignIn(const std::optional<AccountClient::Session>& session) {
  try {
    store_.save(session->token, waitingAddress_, session->deviceID, client_.base());
  } catch (...) {
    setState(SignedOut);
    setMessage(describe(std::current_exception()));
    return;
  }
  setState(SignedIn, QString::fromStdString(waitingAddress_));
  setMessage(std::nullopt);
  // The entry this Mac held before (signed out since, or at another port of this server) would
  // list it twice, and offer its old values as another Mac's.
  retireEarlierEntries(*session, lifetimeStop_.get_token(), [this](BackgroundOutcome<AccountClient::Account> outcome) {
    if (outcome.value) setDevices(std::move(outcome.value->devices));
  });
}

void AccountModel::retireEarlierEntries(const AccountClient::Session& session, std::stop_token stop,
                                        std::function<void(BackgroundOutcome<AccountClient::Account>)> settled) {
  struct Settled {
    AccountClient::Account account;
    std::vector<std::string> retired;
  };
  runOffMainThread(
      inbox_,
      [client = client_, session, earlier = store_.earlierDeviceIDs(), stop] {
        Settled result{client.account(session.token, stop), {}};
        const auto isEarlier = [&](const Device& device) {
          return device.id != session.deviceID && std::find(earlier.begin(), earlier.end(), device.id) != earlier.end();
        };
        for (const Device& device : result.account.devices) {
          if (!isEarlier(device)) continue;
          try {
            client.removeDevice(device.id, session.token, stop);
            result.retired.push_back(device.id);
          } catch (...) {
            // Left for the next load; meanwhile it is neither listed nor read as another Mac.
            qCWarning(lcAccount).noquote() << "This Mac's earlier entry" << device.id.c_str()
                                           << "cannot be taken off the account yet:" << currentError();
          }
        }
        std::erase_if(result.account.devices, isEarlier);
        return result;
      },
      [this, settled = std::move(settled)](BackgroundOutcome<Settled> outcome) {
        BackgroundOutcome<AccountClient::Account> account;
        account.error = outcome.error;
        if (outcome.value) {
          store_.forgetEarlierDevices(outcome.value->retired);
          account.value = std::move(outcome.value->account);
        }
        settled(std::move(account));
      });
}

bool AccountModel::isPassing(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const AccountClient::Failure& failure) {
    using Case = AccountClient::Failure::Case;
    return failure.errorCase() == Case::offline || failure.errorCase() == Case::tooManyRequests ||
           (failure.errorCase() == Case::server && (failure.status() == 0 || failure.status() >= 500));
  } catch (...) {
    return false;
  }
}

bool AccountModel::endsUnconfirmed(const std::exception_ptr& error) const {
  // The server forgets a sign-in nobody confirmed; a poll in the wait's last stretch may find it
  // already gone.
  if (std::chrono::steady_clock::now() + timing_.pollInterval < deadline_) return false;
  try {
    std::rethrow_exception(error);
  } catch (const AccountClient::Failure& failure) {
    return failure.errorCase() == AccountClient::Failure::Case::server && failure.status() == 404;
  } catch (...) {
    return false;
  }
}

void AccountModel::cancelWaiting() {
  endAttempt();
  verifier_.reset();
  setState(SignedOut);
}

void AccountModel::signOutHere() {
  endAttempt();
  const bool forgotten = store_.clear();
  setState(SignedOut);
  setMessage(forgotten ? std::nullopt : std::optional(sessionKept));
}

void AccountModel::signOut() { signOutHere(); }

void AccountModel::sessionRefused(const std::string& token) {
  if (state_ != SignedIn) return;
  const auto stored = store_.token();
  if (!stored || *stored != token) return;
  qCWarning(lcAccount) << "The account server refused this Mac's session; signed out";
  signOutHere();
  // The entry stays recorded as this Mac's, so a new sign-in retires it if it is still listed.
  if (!hasMessage()) setMessage(sessionRefusedMessage);
}

std::function<void(const std::string&)> AccountModel::refusalListener() {
  return [inbox = inbox_, this](const std::string& token) { inbox->post([this, token] { sessionRefused(token); }); };
}

void AccountModel::failedWith(const std::exception_ptr& error, const std::string& token) {
  try {
    std::rethrow_exception(error);
  } catch (const AccountClient::Failure& failure) {
    if (failure.errorCase() == AccountClient::Failure::Case::needsSignIn) {
      sessionRefused(token);
      if (state_ == SignedOut) return;
    }
  } catch (...) {
    // Any other failure needs nothing more than the message below, which describes it.
  }
  setMessage(describe(error));
}

int AccountModel::loadAccount() {
  const auto current = session();
  if (!current) return 0;
  const int load = ++lastLoad_;
  const std::stop_token stop = loads_[load].get_token();
  retireEarlierEntries(
      AccountClient::Session{current->token, current->deviceID}, stop,
      [this, load, stop, token = current->token](BackgroundOutcome<AccountClient::Account> outcome) {
        // Whoever asked has gone: the transfer was broken off, which says nothing about the network.
        if (stop.stop_requested()) return;
        loads_.erase(load);
        if (outcome.error) {
          failedWith(outcome.error, token);
          return;
        }
        setDevices(std::move(outcome.value->devices));
        setMessage(std::nullopt);
      });
  return load;
}

void AccountModel::cancelLoading(int load) {
  const auto found = loads_.find(load);
  if (found == loads_.end()) return;
  found->second.request_stop();
  loads_.erase(found);
}

void AccountModel::removeDevice(const QString& id) {
  const auto current = session();
  if (!current) return;
  const std::string deviceID = id.toStdString();
  runOffMainThread(
      inbox_,
      [client = client_, deviceID, token = current->token, stop = lifetimeStop_.get_token()] {
        client.removeDevice(deviceID, token, stop);
      },
      [this, deviceID, token = current->token](BackgroundOutcome<std::monostate> outcome) {
        if (outcome.error) {
          failedWith(outcome.error, token);
          return;
        }
        const auto stored = store_.stored();
        const bool ownEntry = stored && stored->deviceID == deviceID;
        if (ownEntry) signOutHere();
        // Off the account: nothing of it is this Mac's to retire or to skip any more.
        store_.forgetEarlierDevices({deviceID});
        if (!ownEntry) loadAccount();
      });
}

void AccountModel::deleteAccount() {
  const auto current = session();
  if (!current) return;
  runOffMainThread(
      inbox_,
      [client = client_, token = current->token, stop = lifetimeStop_.get_token()] {
        client.deleteAccount(token, stop);
      },
      [this, token = current->token, deviceID = current->deviceID](BackgroundOutcome<std::monostate> outcome) {
        if (outcome.error) {
          failedWith(outcome.error, token);
          return;
        }
        signOutHere();
        store_.forgetEarlierDevices({deviceID});
      });
}

QString AccountModel::describe(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const AccountClient::Failure& failure) {
    switch (failure.errorCase()) {
      case AccountClient::Failure::Case::offline:
        return QStringLiteral("There seems to be no internet connection. Your settings keep working on this Mac.");
      case AccountClient::Failure::Case::server:
        // The code is the server's to choose: a short word as a rule, but cut, so that an answer of
        // megabytes cannot become a message of megabytes.
        return QStringLiteral("The server could not complete the request (%1, %2).")
            .arg(failure.status())
            .arg(display::oneLine(QString::fromStdString(failure.code()), 64));
      case AccountClient::Failure::Case::needsSignIn:
        return QStringLiteral("This session is no longer valid. Please sign in again.");
      case AccountClient::Failure::Case::tooManyRequests:
        return QStringLiteral("Too many attempts. Try again in a few minutes.");
      case AccountClient::Failure::Case::revisionStale:
        return QStringLiteral("The server already holds a newer copy of this Mac's settings. Sync again to send "
                              "the ones this Mac has now.");
    }
    return QString::fromStdString(failure.what());
  } catch (const std::exception& other) {
    return QString::fromStdString(other.what());
  } catch (...) {
    return QStringLiteral("The operation could not be completed.");
  }
}

}  // namespace amberloom::ui
