#pragma once
// The application: answers the headless switches, builds the root scene and the updater once, and
// shows the main window (root view and menus) and, on request, the settings window. It carries
// out the menu commands: exporting every set setting as a shell script and checking for updates.
//
// The start, in this order; nothing on the main thread waits for anything outside the process:
//  1. Resources (worker, begun by main() beside the QGuiApplication): the built-in catalogue,
//     recipes, cards and guide, the backup folder's setting, the first-run scan of this Mac, the
//     batches the last run left unsettled (RootScene::loadResources). The font list is read on
//     another worker meanwhile.
//  2. Models (main thread, over the resources; RootScene::make): none reads undo points or the
//     change history in its constructor. The main window and the root view compile meanwhile on
//     the engine's loader thread, from the engine's first moment: main() listens for later starts
//     of this home (SingleInstance) only after the models, while the window still compiles.
//  3. Window (showMainWindow): its first frame draws the light palette; the desktop's colour
//     scheme is asked in the background (SystemColorScheme) and repaints when it answers.
//  4. Root view, once the window has drawn (or after `rootViewLatest`).
//  5. Deferred work, once the root view has drawn (RootScene::startAfterFirstFrame): the stored
//     undo points and the other Macs, each read on a worker; the repair check, begun on a worker
//     by its model, and the backup folder's list, fill their screens when they are in. Until then
//     those lists are empty.

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QString>
#include <QUrl>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "AmberLoom/RootScene.hpp"
#include "AmberLoom/Updater.hpp"

class QQmlComponent;
class QQmlEngine;

namespace amberloom::ui {
class ManualGuideList;
class RemovalModelFactory;
class RootViewState;
class Workspace;
}  // namespace amberloom::ui

namespace amberloom::app {

class StartupWarmUp;

class AmberloomApp : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates CONSTANT)
  Q_PROPERTY(QUrl exportFolder READ exportFolder NOTIFY exportFolderChanged)

 public:
  // The proposed name of the exported script.
  static constexpr const char* exportFileName = "amberloom-settings.sh";

  // Handles "--amberloom-read-night-shift" (first) and "--background-sync", each only as a whole,
  // exact argument: either ends the process. Returns when neither is given. Does its work once per
  // process; later calls return at once. Call it before any Qt application object exists.
  static void handleCommandLineSwitches(const std::vector<std::string>& arguments);

  // What the whole process needs set before any other thread exists (the environment cannot be
  // changed safely beside them): the style of Qt's own dialogs. Call it first in main().
  static void prepareProcess();

  // Builds the root scene and the updater and compiles the main window; needs the
  // QGuiApplication. Shows nothing yet.
  explicit AmberloomApp(QObject* parent = nullptr);
  // The same over resources being read already (see RootScene::loadResources), which a start may
  // begin before its QGuiApplication exists.
  explicit AmberloomApp(std::future<RootScene::Resources> resources, QObject* parent = nullptr);
  ~AmberloomApp() override;

  // Makes and shows the main window; its root view follows once the window has drawn (see
  // AppWindow's `rootView`). Throws std::runtime_error when its QML cannot be loaded.
  void showMainWindow();
  QQuickWindow* mainWindow() const { return mainWindow_; }
  // Shows the main window in front of every other, as another start of this home asks.
  void bringForward();
  // The settings window, null until first opened.
  QQuickWindow* preferencesWindow() const { return preferencesWindow_; }
  const RootScene& root() const { return root_; }
  QQmlEngine& engine() { return *engine_; }
  // Replaces how the settings window opens links and reveals files (before it is first opened).
  void setWorkspace(std::shared_ptr<ui::Workspace> workspace);

  bool canCheckForUpdates() const { return updater_.canCheckForUpdates(); }
  Q_INVOKABLE void checkForUpdates() { updater_.checkForUpdates(); }
  // Opens the settings window, or brings it forward.
  Q_INVOKABLE void showPreferences();
  // Writes the script of every set setting to the local file `location` (a "file:" address or a
  // plain absolute path; UTF-8, atomically, replacing a file there), then makes it executable.
  // Returns the write error's text, or an empty text on success; permissions that cannot be set
  // are not an error.
  Q_INVOKABLE QString exportScript(const QUrl& location);
  // Where the save panel opens: the folder of the last script written, else the home folder.
  QUrl exportFolder() const;

 signals:
  void exportFolderChanged();
  // The main window has drawn its root view (or gave up waiting for a frame): the start is over.
  void started();

 private:
  // The component of `type` from the UI module, compiled (or failed) with everything it imports.
  std::unique_ptr<QQmlComponent> compile(const QString& type);
  // Throws std::runtime_error when `component` did not compile or does not make a window.
  QQuickWindow* createWindow(QQmlComponent& component, const QString& type, const QVariantMap& properties);
  // A frame of the main window was drawn: the first one makes the root view, the first with the
  // root view starts the deferred work.
  void mainWindowDrew();
  // Has the main window make its root view (once).
  void showContent();
  // What the scene leaves until the window has drawn its root view; once.
  void startDeferredWork();

  // Models first, so that the windows over them go before them.
  RootScene root_;
  Updater updater_;
  std::shared_ptr<ui::Workspace> workspace_;
  std::unique_ptr<ui::RootViewState> rootState_;
  std::unique_ptr<ui::RemovalModelFactory> removalFactory_;
  std::unique_ptr<ui::ManualGuideList> guide_;  // none without a guide
  std::unique_ptr<QQmlEngine> engine_;
  std::unique_ptr<QQmlComponent> mainComponent_;
  // The root view, compiled beside the window; held so that the window's loader finds it compiled.
  std::unique_ptr<QQmlComponent> rootViewComponent_;
  bool deferredWorkStarted_ = false;
  // Readies the first screen's text while the root view compiles; gone once it is made.
  QPointer<StartupWarmUp> warmUp_;
  QPointer<QQuickWindow> mainWindow_;
  QPointer<QQuickWindow> preferencesWindow_;
  QString lastExportFolder_;  // empty until a script was written
};

}  // namespace amberloom::app
