// The whole restore from the first-run wizard on a well-used home (a value under every catalogued
// root, a global domain of 7,500 keys) of another Mac's backup whose every value differs from this
// Mac's, on Qt's offscreen platform: from the press of the confirmation's Restore to the outcome
// drawn on screen, and the longest the window went without handling an event meanwhile; against its
// floor (RestoreFloor.hpp) over the same files, the two alternating. Each run starts from this Mac's own files again. Prints the medians
// of several runs and what the restore took; fails when it restored nothing. Run by hand from the
// build folder: bin/wizard_restore_benchmark.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/QQmlExtensionPlugin>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <variant>

#include "Backup/PersonalisationScanner.hpp"
#include "BenchmarkHome.hpp"
#include "Guided/FirstRunModel.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "RealisticHome.hpp"
#include "RestoreFloor.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

using namespace amberloom;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_QUICK_BACKEND", "software");
  QGuiApplication application(argc, argv);
  QQmlEngine engine;
  ui::installKit(engine);

  const auto catalog = SettingsCatalog::bundled();
  bench::writeGlobalDomain(home, catalog);
  const auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  const SettingsService settings(resolver, store);
  bench::setEverySetting(catalog, settings);
  const std::string folder = home + "/Backups";
  const std::string backupFile = BackupService(catalog, resolver, store, "OTHER-MAC", "Office").createBackup(folder);
  // This Mac has since changed every one of them; each run starts from these files.
  bench::setEverySetting(catalog, settings, true);
  namespace fs = std::filesystem;
  const fs::path preferences = fs::path(home) / "Library" / "Preferences";
  const fs::path ownFiles = fs::path(home) / "this-mac-preferences";
  fs::copy(preferences, ownFiles, fs::copy_options::recursive);
  const auto startFromOwnFiles = [&] {
    fs::remove_all(preferences);
    fs::copy(ownFiles, preferences, fs::copy_options::recursive);
  };
  const BackupService here(catalog, resolver, store, "THIS-MAC", "Studio");
  // The backup just written is another Mac's.
  const auto others = [] { return FoundBackups{.ofThisMac = false, .ofOtherMacs = true}; };
  const auto scan = PersonalisationScanner(catalog, settings, others).scan(Version({14, 5}), Version({1, 0}));
  const auto outside = std::make_shared<ExternalVerifier>(
      (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string());
  ui::FirstRunModel model({.history = SnapshotHistory(SnapshotHistory::defaultFolder(home)), .verifier = outside}, scan,
                          here, folder, resolver, store);

  QQuickWindow window;
  window.resize(980, 560);
  QQmlComponent component(&engine);
  component.setData("import QtQuick\nimport AmberLoom.UI\nFirstRunView {}\n", QUrl());
  auto* view = qobject_cast<QQuickItem*>(component.createWithInitialProperties({{"model", QVariant::fromValue<QObject*>(&model)}}));
  if (!view) {
    std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
    return 2;
  }
  view->setParent(&window);
  view->setParentItem(window.contentItem());
  view->setSize(window.size());
  window.show();
  window.grabWindow();
  // The backup folder is read on a worker: the wizard lists the backup once it has been read.
  while (model.readingBackups()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

  constexpr int kRuns = 7;
  std::string bytes;
  platform::readWholeFile(backupFile, bytes);
  const bench::RestoreFloor floor(BackupEnvelope::fromData(bytes, here.maxEntries()), resolver, *outside);
  std::vector<double> totals, stalls, floors, ratios;
  // What the run that restored the least restored, of how many entries.
  std::size_t restored = SIZE_MAX, total = 0;
  for (int run = 0; run < kRuns; ++run) {
    startFromOwnFiles();
    model.askToRestore(0);
    window.grabWindow();
    // The window's events go on: the longest gap between two ticks of a 5 ms timer.
    QElapsedTimer sinceTick;
    double longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longestGap = std::max(longestGap, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
      sinceTick.start();
    });
    QElapsedTimer pressed;
    pressed.start();
    sinceTick.start();
    ticker.start(5);
    model.confirmRestore();  // what the confirmation's Restore does
    ticker.stop();
    QCoreApplication::processEvents();  // the outcome's bindings
    window.grabWindow();                // and its frame
    totals.push_back(static_cast<double>(pressed.nsecsElapsed()) / 1e6);
    stalls.push_back(longestGap);
    const auto* outcome = model.outcome() ? std::get_if<ui::Restored>(&*model.outcome()) : nullptr;
    const std::size_t thisRun = outcome && outcome->report ? outcome->report->restoredCount() : 0;
    if (thisRun < restored) {
      restored = thisRun;
      total = outcome && outcome->report ? outcome->report->total() : 0;
    }

    startFromOwnFiles();
    QElapsedTimer least;
    least.start();
    floor.run();
    floors.push_back(static_cast<double>(least.nsecsElapsed()) / 1e6);
    ratios.push_back(totals.back() / floors.back());
  }
  std::sort(totals.begin(), totals.end());
  std::sort(stalls.begin(), stalls.end());
  std::sort(floors.begin(), floors.end());
  std::sort(ratios.begin(), ratios.end());
  const auto outcome = model.outcomeRow().value("text").toString().toStdString();
  std::printf("restore from the wizard, press to outcome on screen: median %.1f ms (min %.1f, max %.1f) of %d\n",
              totals[kRuns / 2], totals.front(), totals.back(), kRuns);
  std::printf("floor (every file parsed and durably replaced, then each read from outside): median %.1f ms; "
              "wizard / floor within each run: median %.2f\n",
              floors[kRuns / 2], ratios[kRuns / 2]);
  std::printf("longest the window went without an event meanwhile: median %.1f ms (max %.1f)\n", stalls[kRuns / 2],
              stalls.back());
  std::printf("outcome: %s (the run that restored the least: %zu of %zu entries)\n", outcome.c_str(), restored, total);
  delete view;
  std::filesystem::remove_all(home);
  return restored > 0 ? 0 : 1;
}
