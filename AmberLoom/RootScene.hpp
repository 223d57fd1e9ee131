#pragma once
// Every long-lived model of the windowed application, built and wired together once at start by
// `make()`, and the work of the unattended run that sync at login starts. Production wiring only:
// the live preference store, the `defaults` command for every confirmation, practice mode off.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Catalog/ManualGuide.hpp"

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
  // The stored undo points as the recent-changes screen lists them, undone through the sync service.
  std::shared_ptr<ui::UndoPointsModel> undoPoints;
  // A fresh removal model over a fresh uninstall service on every call.
  std::function<std::unique_ptr<ui::RemovalModel>()> makeRemovalModel;
  std::optional<ManualGuide> guide;  // none when the built-in guide cannot be read
  std::shared_ptr<ui::FirstRunModel> firstRun;
  std::shared_ptr<ui::AccountModel> account;

  // Builds every service and model, in an order that matters: each model reads the preferences
  // as it is made. A built-in resource that cannot be read is replaced by an empty one. Main
  // thread only; never throws.
  static RootScene make();

  // The unattended sync: with automatic sync on, shares this Mac's values with the account server,
  // fetches the other Macs' documents and copies onto this Mac only the settings the first other
  // Mac has and this Mac lacks (never a pinned one). Builds its own services; every result and
  // every failure is dropped. Blocks its caller (not the main thread); never throws.
  static void runBackgroundSync();

  // The `defaults` command: beside the executable in a build, else where the installation keeps it.
  static std::string defaultsToolPath();
};

}  // namespace amberloom::app
