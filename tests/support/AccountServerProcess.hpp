#pragma once
// The built account server, started by a test on a free loopback port (the port read from its
// first line) and stopped when the test is done. Everything else it prints is kept as its log.

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

#include "Account/AccountClient.hpp"

namespace amberloom::testing {

// A plain GET through the live session; the body whatever the status.
std::string httpGet(const std::string& url);

// The JSON outbox of the outbox page at `outboxAddress` (".../outbox?key=..."), as a path with its key.
std::string outboxJsonPath(const std::string& outboxAddress);
// The newest link in the outbox at `outboxAddress` (as the server printed it) sent to `email`;
// empty when none.
std::string outboxLink(const std::string& outboxAddress, const std::string& email);
// Presses "Confirm sign-in" on the page of `link`, as its reader would; the answer's body.
std::string confirmLink(const std::string& link);
// The whole sign-in by link through `client` against the server of `outboxAddress`: request, one
// unconfirmed poll, the link confirmed, the collecting poll. Throws when any step goes otherwise.
AccountClient::Session signInByLink(const AccountClient& client, const std::string& outboxAddress,
                                    const std::string& email, const std::string& hardwareID,
                                    const std::string& deviceName);

// Raw sockets to a server on loopback, for requests written byte for byte where the HTTP client
// would not send them.

// A socket connected from `source` (non-blocking connect when asked); -1 when it cannot connect.
int connectFrom(int port, const char* source = "127.0.0.1", int flags = 0);
// Reads until the server ends the connection; false when it is still open after `limit`.
bool readToEnd(int fd, std::string& bytes, std::chrono::milliseconds limit = std::chrono::seconds(3));

struct Answer {
  int status = 0;
  std::string head;  // status line and headers
  std::string body;
  bool closed = false;  // the server ended the connection
};
// The first answer in `bytes`, as read from a connection.
Answer parseAnswer(const std::string& bytes);
// Sends `request` as written and reads the answer up to the end of the connection.
Answer roundTrip(int port, const std::string& request, const char* source = "127.0.0.1");
// A request as sent on the wire: `headers` are whole lines, each ending in "\r\n".
std::string request(const std::string& method, const std::string& path, const std::string& host,
                    const std::string& headers = {}, const std::string& body = {});

// A well-formed sign-in request for `email`, with a verifier of its own, ending the connection.
std::string signInRequest(const std::string& host, const std::string& email,
                          const std::string& contentType = "Content-Type: application/json\r\n");

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
  // The outbox page's whole address, key included, as the server printed it.
  const std::string& outboxAddress() const { return outbox_; }
  // Everything printed after the first two lines so far.
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
  std::string outbox_;
  int status_ = -1;
  std::shared_ptr<Output> output_;
};

}  // namespace amberloom::testing
