// The calls that hand work to a thread of their own must keep their promise never to throw when
// the system has no thread to give.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "Catalog/CatalogChannel.hpp"
#include "Preferences/Version.hpp"
#include "SelfTest/AnonymousReporter.hpp"

using namespace amberloom;

namespace {

// Runs `call` in a child process that may start no further thread; true when it returned normally.
bool survivesWithoutThreads(const std::function<void()>& call) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The limit does not bind a privileged user, so the child first gives its privileges up.
    if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(3);
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_NPROC, &none) != 0) ::_exit(3);
    try {
      call();
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(BackgroundTask, CallsThatNeverThrowKeepThatPromiseWithoutThreads) {
  struct Case {
    const char* what;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"a report is dropped",
       [] {
         const AnonymousReporter reporter(*Version::parse("1.0"), "23F79", [] { return true; },
                                          [](const std::string&) {});
         auto done = reporter.report("dock.autohide", true);
         done.get();
       }},
      {"a catalogue load runs on the caller's thread",
       [] {
         const CatalogChannel channel(SigningPublicKey{}, nullptr, []() -> std::future<SignedCatalog> {
           throw std::runtime_error("offline");
         });
         if (channel.load().get().source != CatalogSource::bundled) ::_exit(4);
       }},
  };
  for (const auto& c : cases) EXPECT_TRUE(survivesWithoutThreads(c.call)) << c.what;
}
