// Every test process: answer the Night Shift read-back switch (a test may re-run this binary for
// it), then run with HOME set to a fresh temporary folder that children inherit, and remove it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Preferences/NightShiftVerifier.hpp"

int main(int argc, char** argv) {
  amberloom::NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);

  std::string home = (std::filesystem::temp_directory_path() / "amberloom-test-XXXXXX").string();
  if (!::mkdtemp(home.data())) return 3;
  ::setenv("HOME", home.c_str(), 1);
  ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
  ::unsetenv("AMBERLOOM_MACOS_VERSION");
  ::unsetenv("AMBERLOOM_MACOS_BUILD");

  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return status;
}
