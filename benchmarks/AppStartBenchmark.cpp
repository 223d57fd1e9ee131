// Start-up of the application: from starting the process to the first frame of the catalogue
// window (signed in, first run done), against two processes that show an empty window of the same
// size: a bare QQuickView, and the smallest Qt Quick application (a QML Window loaded through
// QQmlApplicationEngine, as Qt's own application template does). All run on the offscreen platform
// in a fresh home. Prints the medians in milliseconds and the ratios; the target is at most 2 times
// the QQuickView.

#include <unistd.h>

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickView>
#include <QQuickWindow>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Account/AccountStore.hpp"
#include "AmberLoom/AmberloomApp.hpp"
#include "AmberLoom/RootScene.hpp"
#include "MedianTime.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

namespace {

constexpr int kRuns = 5;

// Ends the child at its first frame, leaving out everything a normal exit tears down.
void exitAtFirstFrame(QQuickWindow* window) {
  QObject::connect(window, &QQuickWindow::frameSwapped, [] {
    std::fflush(nullptr);
    _exit(0);
  });
}

int child(int argc, char** argv, const std::string& what) {
  QGuiApplication application(argc, argv);
  if (what == "empty") {
    QQuickView view;
    exitAtFirstFrame(&view);
    view.resize(980, 700);
    view.show();
    return QGuiApplication::exec();
  }
  if (what == "template") {
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\nWindow { width: 980; height: 700; visible: true }\n");
    if (engine.rootObjects().isEmpty()) return 1;
    exitAtFirstFrame(qobject_cast<QQuickWindow*>(engine.rootObjects().first()));
    return QGuiApplication::exec();
  }
  amberloom::app::AmberloomApp app;
  app.showMainWindow();
  exitAtFirstFrame(app.mainWindow());
  return QGuiApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(argc, argv, argv[2]);

  // A signed-in Mac that finished the first run, in a home of its own.
  char folder[] = "/tmp/amberloom-start-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("HOME", folder, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1", 1);
  const auto defaults = amberloom::StoreUserDefaults::standard();
  defaults->setBool(true, "hasCompletedFirstRun");
  amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", defaults)
      .save("token", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");

  const std::string self = amberloom::platform::currentExecutablePath();
  const auto run = [&self](const char* what) {
    const auto result = amberloom::platform::runProcess(self, {"--child", what});
    if (!result || result->exitStatus != 0) {
      std::fprintf(stderr, "the %s start failed\n", what);
      std::exit(1);
    }
  };
  // The share of the root scene: every service and model built, nothing shown.
  QGuiApplication application(argc, argv);
  const double scene = amberloom::bench::medianMilliseconds(kRuns, [] { amberloom::app::RootScene::make(); });
  const double empty = amberloom::bench::medianMilliseconds(kRuns, [&] { run("empty"); });
  const double emptyTemplate = amberloom::bench::medianMilliseconds(kRuns, [&] { run("template"); });
  const double app = amberloom::bench::medianMilliseconds(kRuns, [&] { run("app"); });
  std::filesystem::remove_all(folder);
  std::printf("empty QQuickView, first frame: %.1f ms\n", empty);
  std::printf("empty QML Window (Qt Quick application template), first frame: %.1f ms\n", emptyTemplate);
  std::printf("AmberLoom catalogue window, first frame: %.1f ms\n", app);
  std::printf("of which building the root scene: %.1f ms\n", scene);
  std::printf("ratio to the empty QQuickView: %.2f (target at most 2)\n", app / empty);
  std::printf("ratio to the empty QML Window (Qt Quick application template): %.2f\n", app / emptyTemplate);
  return 0;
}
