#pragma once
// Every long-lived model of the windowed application, built and wired together once at start by
// `make()`, and the work of the unattended run that sync at login starts. Production wiring only:
// the live preference store, the `defaults` command for every confirmation, practice mode off.
// Start-up splits `make()` in two: `loadResources()` reads the built-in resources and this Mac's
// files on any thread, `make(resources)` then builds the models on the main thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AmberLoom/AppServices.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Catalog/DiscoverDeck.hpp"
#include "Catalog/ManualGuide.hpp"
#include "Changes/InterruptedBatches.hpp"
#include "Recipes/Recipe.hpp"

namespace amberloom::ui {
class AccountModel;
class FirstRunModel;
class RecipesModel;
class RemovalModel;
class RepairModel;
class SettingsModel;
class SyncModel;
class UndoPointsModel;
}  // namespace amberloom::ui

namespace amberloom::app {

struct RootScene {
  std::shared_ptr<ui::SettingsModel> catalog;
  std::shared_ptr<ui::SyncModel> sync;
  std::shared_ptr<ui::RecipesModel> recipes;
  std::shared_ptr<ui::RepairModel> repairs;
  // The stored undo points as the recent-changes screen lists them, undone through the sync model.
  std::shared_ptr<ui::UndoPointsModel> undoPoints;
  // A fresh removal model over a fresh uninstall service on every call.
  std::function<std::unique_ptr<ui::RemovalModel>()> makeRemovalModel;
  std::optional<ManualGuide> guide;  // none when the built-in guide cannot be read
  std::shared_ptr<ui::FirstRunModel> firstRun;
  std::shared_ptr<ui::AccountModel> account;

  // What the models are built from: the built-in resources, each replaced by an empty one when it
  // cannot be read, and this Mac as the user left it, read before any model exists.
  struct Resources {
    AppServices services;  // its store's file cache already holds what the scan read
    std::string syncFolder;
    std::optional<DiscoverDeck> deck;
    std::vector<Recipe> recipes;
    std::optional<ManualGuide> guide;
    PersonalisationScan scan;  // left empty when the first run is done: no wizard shows it
    // The batches the last run left unsettled, to offer as the window opens (those that put back
    // nothing already removed).
    std::vector<InterruptedBatch> interrupted;
  };

  // Reads the resources and scans this Mac's preferences. Only reads files and touches nothing of
  // Qt, so it may run on any thread; never throws.
  static Resources loadResources();

  // Builds every service and model over `resources`, in an order that matters: each model reads
  // the preferences as it is made. Main thread only; never throws.
  static RootScene make(Resources resources);
  // make(loadResources()).
  static RootScene make();

  // What the scene leaves until the window has drawn its content: the first fetch of the other
  // Macs, which loads the network library and would share the cores with the first frame, and the
  // first read of the stored undo points (on a worker). Call it once.
  void startAfterFirstFrame() const;

  // The unattended sync: with automatic sync on, shares this Mac's values with the account server,
  // fetches the other Macs' documents and copies onto this Mac only the settings another Mac has
  // and this Mac lacks (never a pinned one; the most recently shared value where they disagree).
  // Builds its own services, wired as the window's are; every result and every failure is dropped.
  // Blocks its caller (not the main thread); never throws.
  static void runBackgroundSync();
};

}  // namespace amberloom::app
