// Start-up of the application: from starting the process to the first frame of the catalogue
// window (signed in, first run done, this home claimed as the executable claims it), against two
// processes that show an empty window of the same size: a bare QQuickView, and the smallest Qt
// Quick application (a QML Window loaded through QQmlApplicationEngine, as Qt's own application
// template does); then the same home with 300 backups in its backup folder, which no screen of
// that start shows. All run in a fresh home, on the offscreen platform unless QT_QPA_PLATFORM
// names another (run under xvfb-run with QT_QPA_PLATFORM=xcb, the first frame is the mapped
// window's first paint, and the moment the window is first exposed is its mapping). The runs of
// the four kinds are interleaved; prints the medians in milliseconds and the ratios: at most 2
// times the QQuickView, at most 1.1 times with the backups, and on a display the mapping and the
// first paint within 1.2 times the QQuickView's. Run by hand from the build folder:
// bin/app_start_benchmark [runs].

#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickView>
#include <QQuickWindow>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <chrono>
#include <vector>
#include <filesystem>
#include <string>

#include "Account/AccountStore.hpp"
#include "AmberLoom/AmberloomApp.hpp"
#include "AmberLoom/RootScene.hpp"
#include "AmberLoom/SingleInstance.hpp"
#include "Backup/BackupLocator.hpp"
#include "Backup/BackupService.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "MedianTime.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

namespace {

constexpr int kBackups = 300;

double monotonicMilliseconds(std::chrono::steady_clock::time_point moment) {
  return std::chrono::duration<double, std::milli>(moment.time_since_epoch()).count();
}

// Prints the monotonic clock, which every process on the machine shares, when the window is first
// exposed: on a display, when it is mapped.
class ExposureClock : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !printed_) {
      printed_ = true;
      std::printf("%.3f\n", monotonicMilliseconds(std::chrono::steady_clock::now()));
    }
    return false;
  }

 private:
  bool printed_ = false;
};

// Ends the child at its first frame, leaving out everything a normal exit tears down; says when
// the window was first exposed on the way.
void exitAtFirstFrame(QQuickWindow* window) {
  window->installEventFilter(new ExposureClock(window));
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
  const auto instance = amberloom::app::SingleInstance::claim(amberloom::platform::homeDirectory());
  if (!instance) return 1;
  amberloom::app::AmberloomApp app;
  app.showMainWindow();
  exitAtFirstFrame(app.mainWindow());
  return QGuiApplication::exec();
}

}  // namespace

// Fills `folder` with backups of `count` Macs, each as large as this Mac's own.
void writeBackups(const std::string& folder, int count) {
  const auto catalog = amberloom::SettingsCatalog::bundled();
  const auto store = std::make_shared<amberloom::CFPreferenceStore>();
  for (int i = 0; i < count; ++i) {
    char deviceID[40];
    std::snprintf(deviceID, sizeof deviceID, "00000000-0000-0000-0000-%012d", i);
    amberloom::BackupService(catalog, amberloom::DomainResolver::live(), store, deviceID, "Mac " + std::to_string(i))
        .createBackup(folder);
  }
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(argc, argv, argv[2]);
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;

  // A signed-in Mac that finished the first run, in a home of its own.
  char folder[] = "/tmp/amberloom-start-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("HOME", folder, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1", 1);
  const auto defaults = amberloom::StoreUserDefaults::standard();
  defaults->setBool(true, "hasCompletedFirstRun");
  amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", defaults)
      .save("token", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");

  // The same home once more, its backup folder full.
  const std::string withBackups = std::string(folder) + "-backups";
  std::filesystem::copy(folder, withBackups, std::filesystem::copy_options::recursive);
  setenv("HOME", withBackups.c_str(), 1);
  writeBackups(amberloom::BackupLocator{withBackups}.defaultFolder(), kBackups);
  setenv("HOME", folder, 1);

  const std::string self = amberloom::platform::currentExecutablePath();
  // Milliseconds from the start of a child until its first frame, and until its window was mapped.
  struct Times {
    std::vector<double> firstFrame, mapped;
  };
  const auto run = [&self](const char* what, const std::string& home, Times& times) {
    const auto begin = std::chrono::steady_clock::now();
    const auto result = amberloom::platform::runProcess("/usr/bin/env", {"HOME=" + home, self, "--child", what});
    const auto end = std::chrono::steady_clock::now();
    if (!result || result->exitStatus != 0 || result->standardOutput.empty()) {
      std::fprintf(stderr, "the %s start failed\n", what);
      std::exit(1);
    }
    times.firstFrame.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
    times.mapped.push_back(std::stod(result->standardOutput) - monotonicMilliseconds(begin));
  };
  // Interleaved, so that a change in the machine's load touches every kind alike.
  Times empty, emptyTemplate, app, appWithBackups;
  for (int i = 0; i < runs; ++i) {
    run("empty", folder, empty);
    run("template", folder, emptyTemplate);
    run("app", folder, app);
    run("app", withBackups, appWithBackups);
  }
  // The share of the root scene: every service and model built, nothing shown.
  QGuiApplication application(argc, argv);
  const double scene = amberloom::bench::medianMilliseconds(5, [] { amberloom::app::RootScene::make(); });
  std::filesystem::remove_all(folder);
  std::filesystem::remove_all(withBackups);

  const auto median = [](std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  std::printf("%d runs of each, %s platform\n", runs, getenv("QT_QPA_PLATFORM"));
  const double frame = median(app.firstFrame), emptyFrame = median(empty.firstFrame);
  const double mapped = median(app.mapped), emptyMapped = median(empty.mapped);
  std::printf("empty QQuickView, first frame: %.1f ms (mapped at %.1f ms)\n", emptyFrame, emptyMapped);
  std::printf("empty QML Window (Qt Quick application template), first frame: %.1f ms\n",
              median(emptyTemplate.firstFrame));
  std::printf("AmberLoom catalogue window, first frame: %.1f ms (mapped at %.1f ms)\n", frame, mapped);
  std::printf("  the same with %d backups in the backup folder: %.1f ms\n", kBackups, median(appWithBackups.firstFrame));
  std::printf("building the root scene alone (in a running process): %.1f ms\n", scene);
  std::printf("ratio to the empty QQuickView: %.2f (target at most 2; on a display at most 1.2)\n", frame / emptyFrame);
  std::printf("ratio of the mapping to the empty QQuickView's: %.2f (on a display, target at most 1.2)\n",
              mapped / emptyMapped);
  std::printf("ratio to the empty QML Window (Qt Quick application template): %.2f\n",
              frame / median(emptyTemplate.firstFrame));
  std::printf("ratio with %d backups to without: %.2f (target at most 1.1)\n", kBackups,
              median(appWithBackups.firstFrame) / frame);
  return 0;
}
