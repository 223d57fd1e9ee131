// Start-up of the application: from starting the process to the window's mapping, its first
// paint and its first frame that shows the catalogue (signed in, first run done, this home claimed
// as the executable claims it), against processes that show an empty window of the same size: a
// bare QQuickView in a program of its own that links only Qt Quick (the floor), the same view in
// this program, and the smallest Qt Quick application (a QML Window loaded through
// QQmlApplicationEngine, as Qt's own application template does); then the same home with 300
// backups in its backup folder, which no screen of that start shows, and the same home with 10
// large undo points and a change history of 100,000 records, which no first screen shows either;
// last the resident memory of the catalogue and of the empty view once each has sat idle for two
// seconds after its first frame (target: at most 1.5 times the empty view's). All run in a fresh home, on
// the offscreen platform unless QT_QPA_PLATFORM names another (run under xvfb-run with
// QT_QPA_PLATFORM=xcb, the moment the window is first exposed is its mapping). The runs of the
// kinds are interleaved; prints the medians in milliseconds and the ratios to the floor (for the
// catalogue frame the ratio within each round, with its quartiles, and the ratio of the medians): the
// first catalogue frame at most 2 times the floor's first frame, at most 1.1 times with the backups, and
// on a display the mapping and the first paint within 1.2 times the floor's. Run by hand from the
// build folder: bin/app_start_benchmark [runs].

#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickView>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <chrono>
#include <vector>
#include <map>
#include <optional>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <string>

#include "Account/AccountStore.hpp"
#include "AmberLoom/AmberloomApp.hpp"
#include "AmberLoom/RootScene.hpp"
#include "AmberLoom/SingleInstance.hpp"
#include "Backup/BackupLocator.hpp"
#include "Backup/BackupService.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "MedianTime.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/Json.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

namespace {

constexpr int kBackups = 300;
constexpr int kLargePoints = 10;
constexpr int kPointEntries = 1000;
constexpr int kHistoryRecords = 100000;

double monotonicMilliseconds(std::chrono::steady_clock::time_point moment) {
  return std::chrono::duration<double, std::milli>(moment.time_since_epoch()).count();
}

// Prints the monotonic clock, which every process on the machine shares, when the window is first
// exposed (on a display, when it is mapped) and when it first drew, then ends the child at its
// first frame that shows `content` (the window's first frame when none is asked for), leaving out
// everything a normal exit tears down.
class FrameClock : public QObject {
 public:
  FrameClock(QQuickWindow* window, std::function<bool()> content) : QObject(window), content_(std::move(content)) {
    window->installEventFilter(this);
    // Direct: the window's scene is synchronised while the main thread waits, so what is in the
    // scene then is what the next frame shows, on any render loop.
    connect(window, &QQuickWindow::beforeSynchronizing, this, [this] { if (!contentSynced_) contentSynced_ = content_(); },
            Qt::DirectConnection);
    connect(window, &QQuickWindow::frameSwapped, this, [this] {
      if (!painted_) {
        painted_ = true;
        std::printf("painted %.3f\n", monotonicMilliseconds(std::chrono::steady_clock::now()));
      }
      if (!contentSynced_) return;
      std::fflush(nullptr);
      _exit(0);
    }, Qt::DirectConnection);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !exposed_) {
      exposed_ = true;
      std::printf("mapped %.3f\n", monotonicMilliseconds(std::chrono::steady_clock::now()));
    }
    return false;
  }

 private:
  std::function<bool()> content_;
  bool exposed_ = false;
  bool painted_ = false;
  std::atomic<bool> contentSynced_ = false;
};

void exitAtFirstFrame(QQuickWindow* window, std::function<bool()> content = [] { return true; }) {
  new FrameClock(window, std::move(content));
}

// This process's resident memory in KiB, from the kernel's own account.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return 0;
}

// Prints the resident memory two seconds after `content` is first true at a frame, then ends.
void printIdleMemory(QQuickWindow* window, std::function<bool()> content = [] { return true; }) {
  auto* clock = new QObject(window);
  QObject::connect(window, &QQuickWindow::frameSwapped, clock, [clock, content = std::move(content)] {
    if (clock->property("armed").toBool() || !content()) return;
    clock->setProperty("armed", true);
    QTimer::singleShot(2000, clock, [] {
      std::printf("mapped 0\npainted 0\nrss %ld\n", residentKiB());
      std::fflush(nullptr);
      _exit(0);
    });
  });
}

int child(int argc, char** argv, const std::string& what) {
  // The application's start, as its main() makes it.
  amberloom::app::AmberloomApp::prepareProcess();
  std::optional<amberloom::app::SingleInstance::Lock> lock;
  std::future<amberloom::app::RootScene::Resources> resources;
  const bool idle = what.ends_with("-idle");
  if (what == "app" || what == "app-idle") {
    lock = amberloom::app::SingleInstance::Lock::take(amberloom::platform::homeDirectory());
    if (!lock) return 1;
    resources = amberloom::runInBackground(&amberloom::app::RootScene::loadResources);
  }
  QGuiApplication application(argc, argv);
  if (what == "empty" || what == "empty-idle") {
    QQuickView view;
    if (idle)
      printIdleMemory(&view);
    else
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
  amberloom::app::AmberloomApp app(std::move(resources));
  const auto instance = amberloom::app::SingleInstance::listen(std::move(*lock));
  app.showMainWindow();
  QQuickWindow* window = app.mainWindow();
  const auto showsCatalogue = [window] { return window->property("rootView").value<QQuickItem*>() != nullptr; };
  if (idle)
    printIdleMemory(window, showsCatalogue);
  else
    exitAtFirstFrame(window, showsCatalogue);
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

// Stores `kLargePoints` undo points of `kPointEntries` settings each in `home`, and a change
// history of `kHistoryRecords` records (a few of them for catalogued settings).
void writeStoredHistory(const std::string& home) {
  amberloom::Snapshot snapshot;
  for (int i = 0; i < kPointEntries; ++i)
    snapshot.entries.push_back({amberloom::SettingRef{"com.example.bench", {"key" + std::to_string(i)}, false},
                                amberloom::PreferenceValue::string(std::string(400, 'x'))});
  const amberloom::SnapshotHistory points(amberloom::SnapshotHistory::defaultFolder(home));
  for (int i = 0; i < kLargePoints; ++i) points.record(snapshot, "Before bench " + std::to_string(i), 100 + i);
  const auto catalog = amberloom::SettingsCatalog::bundled();
  amberloom::Json records = amberloom::Json::array();
  for (int i = 0; i < kHistoryRecords; ++i) {
    const std::string id = i < 50 && i < static_cast<int>(catalog.settings().size())
                               ? catalog.settings()[static_cast<std::size_t>(i)].id
                               : "bench.setting." + std::to_string(i);
    records.push_back(amberloom::RecordedIntent{id, amberloom::PreferenceValue::integer(i), 100.0 + i, "23F79"}.toJson());
  }
  const auto file = std::filesystem::path(points.folder()).parent_path() / std::string(amberloom::IntentLog::fileName);
  amberloom::platform::writeFileAtomically(file.string(), amberloom::writeJson(records));
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
  // And once more with its undo points and change history long.
  const std::string withHistory = std::string(folder) + "-history";
  std::filesystem::copy(folder, withHistory, std::filesystem::copy_options::recursive);
  writeStoredHistory(withHistory);

  const std::string self = amberloom::platform::currentExecutablePath();
  const std::string bareView = (std::filesystem::path(self).parent_path() / "empty_window").string();
  // Milliseconds from the start of a child until its window was mapped, until it first drew, and
  // until its first frame with the content asked for (the process ends there).
  struct Times {
    std::vector<double> mapped, painted, content, residentKiB;
  };
  const auto run = [](const std::string& program, const char* what, const std::string& home, Times& times) {
    std::vector<std::string> arguments{"HOME=" + home, program};
    if (what) arguments.insert(arguments.end(), {"--child", what});
    const auto begin = std::chrono::steady_clock::now();
    const auto result = amberloom::platform::runProcess("/usr/bin/env", arguments);
    const auto end = std::chrono::steady_clock::now();
    if (!result || result->exitStatus != 0) {
      std::fprintf(stderr, "the start of %s %s failed\n", program.c_str(), what ? what : "");
      std::exit(1);
    }
    std::map<std::string, double> moments;
    std::istringstream lines(result->standardOutput);
    for (std::string name; lines >> name;) lines >> moments[name];
    if (!moments.count("mapped") || !moments.count("painted")) {
      std::fprintf(stderr, "the start of %s %s did not say when it drew\n", program.c_str(), what ? what : "");
      std::exit(1);
    }
    times.mapped.push_back(moments["mapped"] - monotonicMilliseconds(begin));
    times.painted.push_back(moments["painted"] - monotonicMilliseconds(begin));
    times.content.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
    if (moments.count("rss")) times.residentKiB.push_back(moments["rss"]);
  };
  // Interleaved, so that a change in the machine's load touches every kind alike.
  Times bare, empty, emptyTemplate, app, appWithBackups, appWithHistory;
  for (int i = 0; i < runs; ++i) {
    run(bareView, nullptr, folder, bare);
    run(self, "empty", folder, empty);
    run(self, "template", folder, emptyTemplate);
    run(self, "app", folder, app);
    run(self, "app", withBackups, appWithBackups);
    run(self, "app", withHistory, appWithHistory);
  }
  Times emptyIdle, appIdle;
  for (int i = 0; i < 3; ++i) {
    run(self, "empty-idle", folder, emptyIdle);
    run(self, "app-idle", folder, appIdle);
  }
  // The share of the root scene: every service and model built, nothing shown.
  QGuiApplication application(argc, argv);
  const double scene = amberloom::bench::medianMilliseconds(5, [] { amberloom::app::RootScene::make(); });
  std::filesystem::remove_all(folder);
  std::filesystem::remove_all(withBackups);
  std::filesystem::remove_all(withHistory);

  const auto median = [](std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  const auto print = [&median](const char* what, const Times& times) {
    std::printf("%-62s mapped %6.1f  painted %6.1f  content %6.1f\n", what, median(times.mapped),
                median(times.painted), median(times.content));
  };
  std::printf("%d runs of each, %s platform; medians in ms from the process start\n", runs, getenv("QT_QPA_PLATFORM"));
  print("empty QQuickView, a program of its own (the floor)", bare);
  print("empty QQuickView in this benchmark's program (all its libraries)", empty);
  print("empty QML Window (Qt Quick application template)", emptyTemplate);
  print("AmberLoom, content = first frame of the catalogue", app);
  print("  the same with 300 backups in the backup folder", appWithBackups);
  print("  the same with 10 large undo points, 100,000 history records", appWithHistory);
  std::printf("building the root scene alone (in a running process): %.1f ms\n", scene);
  // The floor moves with the machine's load as much as the application does: the ratio is taken
  // within each round of runs, its quartiles showing how far one such figure may stray.
  std::vector<double> rounds;
  for (std::size_t i = 0; i < app.content.size(); ++i) rounds.push_back(app.content[i] / bare.content[i]);
  std::sort(rounds.begin(), rounds.end());
  std::printf("first catalogue frame / floor's first frame, within each round: median %.2f (target at most 2), "
              "quartiles %.2f to %.2f\n",
              median(rounds), rounds[rounds.size() / 4], rounds[rounds.size() * 3 / 4]);
  std::printf("  the ratio of the medians: %.2f\n", median(app.content) / median(bare.content));
  std::printf("  against the empty view in this program: %.2f\n", median(app.content) / median(empty.content));
  std::printf("mapping / floor's mapping: %.2f, first paint / floor's first paint: %.2f (on a display, targets at most 1.2)\n",
              median(app.mapped) / median(bare.mapped), median(app.painted) / median(bare.painted));
  std::printf("with %d backups / without: %.2f (target at most 1.1)\n", kBackups,
              median(appWithBackups.content) / median(app.content));
  std::printf("idle resident memory: catalogue %.1f MiB, empty view %.1f MiB: %.2f (target at most 1.5)\n",
              median(appIdle.residentKiB) / 1024, median(emptyIdle.residentKiB) / 1024,
              median(appIdle.residentKiB) / median(emptyIdle.residentKiB));
  std::printf("with %d undo points of %d settings and %d history records / without: %.2f\n",
              kLargePoints, kPointEntries, kHistoryRecords, median(appWithHistory.content) / median(app.content));
  return 0;
}
