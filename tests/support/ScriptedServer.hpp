#pragma once
// A loopback HTTP server for tests that gives one scripted answer (status, body, or a stall) to
// every request, whatever its method and path, and records each request as it arrived: the raw
// request target (still percent-encoded), the headers and the body. For the answers a real server
// would never give.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace amberloom::testing {

class ScriptedServer {
 public:
  struct Answer {
    int status = 200;
    std::string body;
    bool stall = false;  // say nothing until the server is destroyed
  };
  struct Received {
    std::string method;
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The value of a header, names compared without case; none when absent.
    std::optional<std::string> header(const std::string& name) const;
  };

  ScriptedServer();
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  void answer(Answer next);
  std::string url(const std::string& path) const;  // "http://127.0.0.1:<port><path>"
  std::vector<Received> received() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace amberloom::testing
