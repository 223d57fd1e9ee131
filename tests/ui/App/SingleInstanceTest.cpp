// The claim on a home that keeps a second windowed start from opening a second window: one key
// per home whatever its spelling, one holder at a time, and a holder that is gone leaves nothing
// that keeps the next one out. The real executable's second start is driven on a desktop of its own.

#include "AmberLoom/SingleInstance.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "Support/WaitLimit.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using amberloom::app::SingleInstance;
namespace fs = std::filesystem;

TEST(SingleInstance, OneKeyPerHomeWhateverItsSpelling) {
  const std::string home = th::home();
  fs::create_directories(home + "/mac-a");
  fs::create_directories(home + "/mac-b");
  fs::create_symlink(home + "/mac-a", home + "/link-to-a");
  const std::string a = SingleInstance::keyOf(home + "/mac-a");
  const struct {
    std::string spelling;
    bool same;
  } cases[] = {
      {home + "/mac-a/", true},
      {home + "/mac-b/../mac-a", true},
      {home + "/link-to-a", true},
      {home + "/mac-b", false},
      {home + "/mac-a/inner", false},
  };
  for (const auto& c : cases) EXPECT_EQ(SingleInstance::keyOf(c.spelling) == a, c.same) << c.spelling;
}

TEST(SingleInstance, OneHolderAtATimeAndNoneLeftBehindByTheLast) {
  const std::string home = th::home();
  const std::string runtime = home + "/run";
  fs::create_directories(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ASSERT_EQ(SingleInstance::runtimeFolder(), runtime);

  auto first = SingleInstance::claim(home);
  ASSERT_TRUE(first);
  EXPECT_FALSE(SingleInstance::claim(home)) << "held already";
  auto other = SingleInstance::claim(home + "/other-mac");
  EXPECT_TRUE(other) << "another home sharing the runtime folder";

  // The lock alone, taken before anything of Qt, holds the home as well; the application that
  // listens with it later is the holder.
  {
    auto lock = SingleInstance::Lock::take(home + "/early-mac");
    ASSERT_TRUE(lock);
    EXPECT_FALSE(SingleInstance::Lock::take(home + "/early-mac"));
    EXPECT_FALSE(SingleInstance::claim(home + "/early-mac"));
    // Not listening yet (its window still compiles): a later start asks again until the limit.
    ::setenv(amberloom::kSecondStartLimitVariable, "300", 1);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(SingleInstance::askToShow(home + "/early-mac"));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(300));
    auto listening = SingleInstance::listen(std::move(*lock));
    EXPECT_FALSE(SingleInstance::claim(home + "/early-mac")) << "held by the one listening";
  }
  EXPECT_TRUE(SingleInstance::claim(home + "/early-mac")) << "given back with it";

  // The lock file stays behind its holder; only the kernel's lock on it said it was held.
  first.reset();
  EXPECT_FALSE(SingleInstance::askToShow(home)) << "no one answers for a home no one holds";
  auto next = SingleInstance::claim(home);
  EXPECT_TRUE(next);

  // Without a runtime folder of its own the temporary folder serves.
  ::setenv("XDG_RUNTIME_DIR", (runtime + "/missing").c_str(), 1);
  EXPECT_EQ(SingleInstance::runtimeFolder(), fs::temp_directory_path().string());
  ::unsetenv("XDG_RUNTIME_DIR");
}
