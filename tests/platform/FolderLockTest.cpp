// The folder lock says whether it holds the lock, and why not, so that no writer replaces a file
// it does not hold the lock for.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "Platform/FolderLock.hpp"
#include "TestHome.hpp"

namespace test = amberloom::testing;
using amberloom::platform::FolderLock;

TEST(FolderLock, HoldsTheLockOnlyWhereTheFolderCouldBeMadeAndSaysWhyNot) {
  struct Case {
    const char* name;
    std::function<std::string()> folder;  // prepares the home, returns the folder to lock
    bool locked;
  };
  const Case cases[] = {
      {"missing folders are made", [] { return test::home() + "/a/b/c"; }, true},
      {"an existing folder", [] { return test::home(); }, true},
      {"a file where the folder should be",
       [] {
         test::writeFile(test::home() + "/plain", "x");
         return test::home() + "/plain";
       },
       false},
      {"a folder below a file",
       [] {
         test::writeFile(test::home() + "/file", "x");
         return test::home() + "/file/sub";
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = c.folder();
    const FolderLock lock(folder);
    EXPECT_EQ(lock.locked(), c.locked);
    EXPECT_EQ(static_cast<bool>(lock.error()), !c.locked) << lock.error().message();
    if (!c.locked) continue;
    // Held: another open description of the folder cannot take it meanwhile.
    const int other = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
  }
  // Released with the object.
  const int again = ::open(test::home().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  EXPECT_EQ(::flock(again, LOCK_EX | LOCK_NB), 0);
  ::close(again);
}
