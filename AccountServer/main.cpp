// amberloom-account-server --data DIR --port PORT
//
// Serves the account interface on 127.0.0.1 from the database in DIR (made on first start). PORT 0
// picks a free port. The first line printed is "listening on http://127.0.0.1:PORT", the second
// "outbox: " and the outbox page's whole address (its key, from DIR/outbox-key, included); sign-in
// links follow, one a line. SIGINT or SIGTERM stops it (exit 0).

#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "AccountDatabase.hpp"
#include "AccountServer.hpp"
#include "OutboxKey.hpp"

namespace {

int usage() {
  std::cerr << "usage: amberloom-account-server --data DIR --port PORT\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data;
  int port = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (i + 1 >= argc) return usage();
    const std::string_view value = argv[++i];
    if (argument == "--data") {
      data = value;
    } else if (argument == "--port") {
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
      if (error != std::errc() || end != value.data() + value.size() || port < 0 || port > 65535) return usage();
    } else {
      return usage();
    }
  }
  if (data.empty() || port < 0) return usage();

  // Bodies and answers of megabytes come and go: give each back to the system when freed, rather
  // than letting the heap keep the highest mark it ever reached.
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);

  // Every client holds a descriptor, an idle one included: allow as many as the system lets us.
  if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
  }

  // Signals are taken by sigwait below, never by a handler on a serving thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  // Everything the server writes (the database and SQLite's journal) is the user's alone.
  ::umask(077);
  try {
    std::filesystem::create_directories(data);
    ::chmod(data.c_str(), 0700);
    amberloom::server::AccountDatabase database((std::filesystem::path(data) / "accounts.sqlite").string());
    amberloom::server::AccountServer::Options options;
    options.outboxKey = amberloom::server::loadOrMakeOutboxKey(data);
    amberloom::server::AccountServer server(database, std::cout, std::move(options));
    const int bound = server.bind(port);
    std::cout << "listening on http://127.0.0.1:" << bound << "\noutbox: " << server.outboxAddress() << std::endl;

    bool served = true;
    std::thread serving([&] {
      served = server.run();
      kill(getpid(), SIGTERM);  // a server that stops by itself ends the process too
    });
    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    serving.join();
    return served ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "amberloom-account-server: " << error.what() << "\n";
    return 1;
  }
}
