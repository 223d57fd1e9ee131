#pragma once
// The account server in the test's own process, over a fresh database, on a loopback port, serving
// on a thread until the test ends; for tests that turn its limits or its clock. And the raw
// sockets such tests hold.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AccountServer.hpp"
#include "AccountServerProcess.hpp"
#include "Support/HttpSession.hpp"
#include "TestHome.hpp"

namespace amberloom::testing {

// The header line of a request whose body is JSON, for requests written by hand.
inline const std::string json = "Content-Type: application/json\r\n";

struct LiveServer {
  explicit LiveServer(server::AccountServer::Options options = {}, server::AccountDatabase::Capacity capacity = {})
      : folder(home() + "/server"),
        database((std::filesystem::create_directories(folder), folder + "/accounts.sqlite"), capacity),
        server(database, log, std::move(options)), port(server.bind(0)), serving([this] { server.run(); }) {}
  ~LiveServer() {
    server.stop();
    serving.join();
  }
  LiveServer(const LiveServer&) = delete;
  LiveServer& operator=(const LiveServer&) = delete;

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port); }
  AccountClient client() const { return AccountClient(url("/api/v1"), std::make_shared<CurlHttpSession>()); }
  AccountClient::Session signIn(const std::string& email, const std::string& hardwareID) const {
    return signInByLink(client(), server.outboxAddress(), email, hardwareID, "Mac " + hardwareID);
  }
  std::string outboxLink(const std::string& email) const { return testing::outboxLink(server.outboxAddress(), email); }
  std::string outboxJson() const { return outboxJsonPath(server.outboxAddress()); }

  std::string folder;
  server::AccountDatabase database;
  std::ostringstream log;
  server::AccountServer server;
  int port;
  std::thread serving;
};

// Sockets closed when the test is done with them.
struct Sockets {
  Sockets() = default;
  Sockets(const Sockets&) = delete;
  Sockets& operator=(const Sockets&) = delete;
  ~Sockets() {
    for (int fd : fds) ::close(fd);
  }
  std::vector<int> fds;
};

}  // namespace amberloom::testing
