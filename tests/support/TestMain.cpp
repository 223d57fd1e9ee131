// Every test process: answer the Night Shift read-back switch (a test may re-run this binary for
// it), then run each test with HOME set to a fresh temporary folder that children inherit.

#include <gtest/gtest.h>

#include "Preferences/NightShiftVerifier.hpp"
#include "TestHome.hpp"

int main(int argc, char** argv) {
  amberloom::NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  return amberloom::testing::runInTemporaryHome([&] {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  });
}
