// The core's log: what a sink is handed, what reaches standard error with none, and that a failing
// sink or a dropped error never escapes the code that logs.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Support/Log.hpp"

using namespace amberloom;

namespace {

struct Line {
  log::Level level;
  log::Area area;
  std::string message;
  bool operator==(const Line&) const = default;
};

// Installs a sink that keeps every line for the test's life.
class KeptLines {
 public:
  KeptLines() {
    log::setSink([this](log::Level level, log::Area area, std::string_view message) {
      lines.push_back({level, area, std::string(message)});
    });
  }
  ~KeptLines() { log::setSink(nullptr); }
  std::vector<Line> lines;
};

}  // namespace

TEST(Log, AnInstalledSinkGetsEveryLineAndADroppedErrorSaysWhatWasDoneAndWhatFailed) {
  KeptLines kept;
  log::debug(log::Area::sync, "probing");
  log::info(log::Area::backup, "a note");
  try {
    throw std::runtime_error("disk full");
  } catch (...) {
    log::dropped(log::Area::changes, "Saving the change history");
  }
  try {
    throw 42;
  } catch (...) {
    log::dropped(log::Area::catalog, "Reading the cache", log::Level::info);
  }
  EXPECT_EQ(kept.lines, (std::vector<Line>{
                            {log::Level::debug, log::Area::sync, "probing"},
                            {log::Level::info, log::Area::backup, "a note"},
                            {log::Level::warning, log::Area::changes, "Saving the change history: disk full"},
                            {log::Level::info, log::Area::catalog,
                             "Reading the cache: an error that is not a std::exception"},
                        }));
}

TEST(Log, WithoutASinkOnlyWarningsReachStandardErrorOneLineEach) {
  struct Case {
    log::Level level;
    std::string expected;
  };
  const Case cases[] = {
      {log::Level::warning, "amberloom.core.upkeep: the cache is gone\n"},
      {log::Level::info, ""},
      {log::Level::debug, ""},
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    log::write(c.level, log::Area::upkeep, "the cache is gone");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.expected) << static_cast<int>(c.level);
  }
}

TEST(Log, ASinkThatThrowsIsContainedAndReplacingItHandsTheOldOneBack) {
  log::setSink([](log::Level, log::Area, std::string_view) { throw std::runtime_error("broken sink"); });
  EXPECT_NO_THROW(log::warning(log::Area::support, "lost"));
  const log::Sink previous = log::setSink(nullptr);
  ASSERT_TRUE(previous) << "the throwing sink comes back to its installer";
  EXPECT_THROW(previous(log::Level::warning, log::Area::support, "x"), std::runtime_error);
  EXPECT_FALSE(log::setSink(nullptr)) << "none is installed any more";
}
