#pragma once
// The built account server, started by a test on a free loopback port (the port read from its
// first line) and stopped when the test is done. Everything else it prints is kept as its log.

#include <sys/types.h>

#include <memory>
#include <string>

#include "Account/AccountClient.hpp"

namespace amberloom::testing {

// A plain GET through the live session; the body whatever the status.
std::string httpGet(const std::string& url);

// The newest outbox link the server at `root` ("http://127.0.0.1:<port>") sent to `email`; empty
// when none.
std::string outboxLink(const std::string& root, const std::string& email);
// The whole sign-in by link through `client` against the server at `root`: request, one unconfirmed
// poll, the link opened, the collecting poll. Throws when any step goes otherwise.
AccountClient::Session signInByLink(const AccountClient& client, const std::string& root, const std::string& email,
                                    const std::string& hardwareID, const std::string& deviceName);

class AccountServerProcess {
 public:
  // Starts it over the data folder `dataFolder` (made when missing; empty: a fresh folder under the
  // test's home). Throws when it does not come up.
  explicit AccountServerProcess(std::string dataFolder = {});
  const std::string& dataFolder() const { return dataFolder_; }
  ~AccountServerProcess();
  AccountServerProcess(const AccountServerProcess&) = delete;
  AccountServerProcess& operator=(const AccountServerProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string url(const std::string& path) const;  // "http://127.0.0.1:<port><path>"
  std::string apiBase() const { return url("/api/v1"); }
  // Everything printed after the first line so far.
  std::string log() const;
  // The newest outbox link sent to `email`; empty when none.
  std::string outboxLink(const std::string& email) const;
  // The whole sign-in by link through `client`: request, one unconfirmed poll, the link opened,
  // the collecting poll. Throws when any step goes otherwise.
  AccountClient::Session signIn(const AccountClient& client, const std::string& email, const std::string& hardwareID,
                                const std::string& deviceName) const;
  // Sends SIGTERM and waits; returns the exit status (-1 when killed by a signal). Idempotent.
  int stop();

 private:
  struct Output;
  std::string dataFolder_;
  pid_t pid_ = -1;
  int port_ = 0;
  int status_ = -1;
  std::shared_ptr<Output> output_;
};

}  // namespace amberloom::testing
