// The desktop tests: a QCoreApplication for the accessibility bus's connections, in the fresh
// temporary home every test gets.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "TestHome.hpp"

int main(int argc, char** argv) {
  return amberloom::testing::runInTemporaryHome([&] {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
  });
}
