// The user-interface tests: a QGuiApplication on the offscreen platform with Qt Quick's software
// renderer (so grabbing a window needs no GPU), the light colour scheme unless a test sets
// another, the process as the application prepares its own, and the fresh temporary home every
// test gets.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QtQml/QQmlExtensionPlugin>
#include <cstring>

#include "AmberLoom/AmberloomApp.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "TestHome.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

namespace {

bool listsTestsOnly(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A test may run this binary again to read Night Shift from outside.
  amberloom::NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_QUICK_BACKEND", "software");
  qputenv("AMBERLOOM_COLOR_SCHEME", "light");
  amberloom::app::AmberloomApp::prepareProcess();
  // Listing the tests (CTest does it at build time) needs no application.
  const bool listOnly = listsTestsOnly(argc, argv);
  return amberloom::testing::runInTemporaryHome([&] {
    ::testing::InitGoogleTest(&argc, argv);
    if (listOnly) return RUN_ALL_TESTS();
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
  });
}
