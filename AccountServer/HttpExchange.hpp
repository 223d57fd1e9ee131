#pragma once
// One request handed by the serving loop to a worker: the bytes received for it, read as a stream,
// and the answer written to memory, so that no worker ever waits on a client. A request with a body
// is handled in two passes: first its head alone, which is vetted and tells how long a body follows
// (the loop then receives that body without a worker), then the whole request.

#include <httplib.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "MemoryBudget.hpp"

namespace amberloom::server {

struct PeerAddresses {
  std::string remoteAddress;
  int remotePort = 0;
  std::string localAddress;
  int localPort = 0;
};

class HttpExchange final : public httplib::Stream {
 public:
  enum class Pass { head, whole };

  HttpExchange(std::string_view received, const PeerAddresses& peer, Pass pass, bool lastOnConnection,
               MemoryBudget& budget)
      : answerShare(budget), received_(received), peer_(peer), pass_(pass), lastOnConnection_(lastOnConnection) {}

  Pass pass() const { return pass_; }
  bool lastOnConnection() const { return lastOnConnection_; }

  // What the handling found out, read by the loop afterwards.
  struct Outcome {
    bool headRead = false;         // the head parsed whole: the request's end is known
    std::size_t headLength = 0;
    std::size_t bodyLength = 0;    // of an admitted request whose body has still to come
    bool awaitsBody = false;
    bool expectsContinue = false;  // its client waits for leave to send the body
    bool safe = false;             // GET or HEAD: answering it changed nothing
    bool trusted = false;          // its caller proved a device token
    MemoryBudget::Owner owner;     // that device
    bool closeAfterAnswer = false;
  };
  Outcome outcome;
  std::string answer;
  // What the answer may hold of the server's memory; a handler sizes it before it makes a large
  // answer, and the loop to the answer made.
  MemoryBudget::Share answerShare;

  // The bytes the request handling has read so far.
  std::size_t consumed() const { return position_; }

  bool is_readable() const override { return position_ < received_.size(); }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  // None: the exchange runs over memory.
  socket_t socket() const override { return INVALID_SOCKET; }

 private:
  std::string_view received_;
  std::size_t position_ = 0;
  const PeerAddresses& peer_;
  Pass pass_;
  bool lastOnConnection_;
};

}  // namespace amberloom::server
