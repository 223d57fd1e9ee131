#include "AmberLoom/AmberloomApp.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <filesystem>
#include <future>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "Account/AccountModel.hpp"
#include "Account/SyncModel.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "AmberLoom/StartupWarmUp.hpp"
#include "Browser/ManualGuideList.hpp"
#include "Browser/SettingsModel.hpp"
#include "Guided/FirstRunModel.hpp"
#include "Guided/RecipesModel.hpp"
#include "Guided/RemovalModelFactory.hpp"
#include "Guided/RepairModel.hpp"
#include "Kit/Logging.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "Kit/SystemDialogs.hpp"
#include "Kit/Workspace.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Preferences/Version.hpp"
#include "SelfTest/ProcessInfo.hpp"
#include "Shell/PreferencesViewModel.hpp"
#include "Shell/RootViewState.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/Iso8601.hpp"
#include "Sync/BackgroundSync.hpp"
#include "Upkeep/SupportService.hpp"

namespace amberloom::app {

namespace {

// Where support mail goes.
constexpr const char* supportAddress = "support@winterbrae.tv";

// A main window that draws no frame (never exposed) gets its root view after this long anyway.
constexpr int rootViewLatest = 1000;  // milliseconds

const QString uiModule = QStringLiteral("qrc:/qt-project.org/imports/AmberLoom/UI/");

SupportService supportService() {
  return SupportService(supportAddress, Version::currentApp().description(), Version::current().description(),
                        currentOSBuild(ProcessInfo::current()), SupportService::hardwareModel(),
                        platform::homeDirectory());
}

}  // namespace

void AmberloomApp::handleCommandLineSwitches(const std::vector<std::string>& arguments) {
  static std::once_flag handled;
  std::call_once(handled, [&arguments] {
    NightShiftVerifier::handleReadArgumentIfPresent(arguments);
    BackgroundSync::runIfRequested(arguments, &RootScene::runBackgroundSync);
  });
}

void AmberloomApp::prepareProcess() {
  // Qt draws its own dialogs in the style of the process; Fusion takes every colour from the
  // window's palette, and makes them look the same on every platform plugin. Said through the
  // environment, which spares the start the library of Qt's styles (none of the first screen's).
  qputenv("QT_QUICK_CONTROLS_STYLE", "Fusion");
}

AmberloomApp::AmberloomApp(QObject* parent) : AmberloomApp(runInBackground(&RootScene::loadResources), parent) {}

AmberloomApp::AmberloomApp(std::future<RootScene::Resources> resources, QObject* parent)
    : QObject(parent), updater_(), workspace_(ui::Workspace::live()) {
  // The resources load on a worker while this thread readies the engine; the main window's types
  // are then compiled on the engine's loader thread while this one builds the models over the
  // resources (QObjects, so made here).
  // Reading the font configuration and the list of fonts is the first text's largest cost and
  // needs no window: it runs beside the rest (or, without a thread to be had, with the first text).
  // The font database guards itself; nobody waits.
  startInBackground([] { QFontDatabase::families(); });
  engine_ = std::make_unique<QQmlEngine>();
  ui::installKit(*engine_);
  // "Quit AmberLoom" and Ctrl+Q end the application as closing its last window does.
  connect(engine_.get(), &QQmlEngine::quit, QCoreApplication::instance(), &QCoreApplication::quit,
          Qt::QueuedConnection);
  mainComponent_ = std::make_unique<QQmlComponent>(engine_.get());
  mainComponent_->loadUrl(QUrl(uiModule + QStringLiteral("AppWindow.qml")), QQmlComponent::Asynchronous);
  // Behind the window on the loader thread: the window shows while the root view compiles.
  rootViewComponent_ = std::make_unique<QQmlComponent>(engine_.get());
  rootViewComponent_->loadUrl(QUrl(uiModule + QStringLiteral("RootView.qml")), QQmlComponent::Asynchronous);
  root_ = RootScene::make(resources.get());

  // A restore in the wizard has already announced what it changed and the point it stored.
  rootState_ = std::make_unique<ui::RootViewState>(StoreUserDefaults::standard(), nullptr);
  if (root_.guide) guide_ = std::make_unique<ui::ManualGuideList>(*root_.guide);
  removalFactory_ = std::make_unique<ui::RemovalModelFactory>(root_.makeRemovalModel);
  // The models belong to the root scene, never to the engine.
  for (QObject* model : {static_cast<QObject*>(root_.catalog.get()), static_cast<QObject*>(root_.account.get()),
                         static_cast<QObject*>(root_.firstRun.get()),
                         static_cast<QObject*>(root_.sync.get()), static_cast<QObject*>(root_.undoPoints.get()),
                         static_cast<QObject*>(root_.recipes.get()), static_cast<QObject*>(root_.repairs.get()),
                         static_cast<QObject*>(removalFactory_.get()), static_cast<QObject*>(guide_.get()),
                         static_cast<QObject*>(rootState_.get()), static_cast<QObject*>(this)})
    QQmlEngine::setObjectOwnership(model, QQmlEngine::CppOwnership);
}

AmberloomApp::~AmberloomApp() {
  delete preferencesWindow_;
  delete mainWindow_;
  rootViewComponent_.reset();
  mainComponent_.reset();
  engine_.reset();
}

void AmberloomApp::setWorkspace(std::shared_ptr<ui::Workspace> workspace) { workspace_ = std::move(workspace); }

std::unique_ptr<QQmlComponent> AmberloomApp::compile(const QString& type) {
  auto component = std::make_unique<QQmlComponent>(engine_.get());
  component->setData(QStringLiteral("import AmberLoom.UI\n%1 {}\n").arg(type).toUtf8(), QUrl());
  return component;
}

QQuickWindow* AmberloomApp::createWindow(QQmlComponent& component, const QString& type,
                                         const QVariantMap& properties) {
  // Compiled on the loader thread, which hands the result over through this thread's events.
  while (component.isLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (!component.isReady())
    throw std::runtime_error("cannot show " + type.toStdString() + ": " + component.errorString().toStdString());
  QObject* object = component.createWithInitialProperties(properties);
  auto* window = qobject_cast<QQuickWindow*>(object);
  if (!window) {
    delete object;
    throw std::runtime_error("cannot show " + type.toStdString() + ": " + component.errorString().toStdString());
  }
  return window;
}

void AmberloomApp::showMainWindow() {
  if (!mainWindow_) {
    mainWindow_ = createWindow(*mainComponent_, QStringLiteral("AppWindow"),
                               {{"app", QVariant::fromValue<QObject*>(this)},
                                {"account", QVariant::fromValue(root_.account.get())},
                                {"viewState", QVariant::fromValue(rootState_.get())},
                                {"catalogModel", QVariant::fromValue(root_.catalog.get())},
                                {"firstRun", QVariant::fromValue(root_.firstRun.get())},
                                {"syncModel", QVariant::fromValue(root_.sync.get())},
                                {"recipesModel", QVariant::fromValue(root_.recipes.get())},
                                {"repairModel", QVariant::fromValue(root_.repairs.get())},
                                {"undoPoints", QVariant::fromValue(root_.undoPoints.get())},
                                {"guide", QVariant::fromValue(guide_.get())}});
    // Queued: a threaded render loop reports its frames from its own thread.
    connect(mainWindow_, &QQuickWindow::frameSwapped, this, &AmberloomApp::mainWindowDrew, Qt::QueuedConnection);
    QTimer::singleShot(rootViewLatest, this, [this] {
      showContent();
      startDeferredWork();
    });
  }
  mainWindow_->show();
}

void AmberloomApp::mainWindowDrew() {
  if (deferredWorkStarted_ || !mainWindow_) return;
  if (!mainWindow_->property("showsContent").toBool()) {
    if (!rootViewComponent_->isLoading()) {
      showContent();
    } else if (!warmUp_) {
      // The window's loader would only wait for the root view to compile: the first screen's text
      // is readied meanwhile, and the root view made once it has compiled.
      warmUp_ = new StartupWarmUp(this);
      for (const QFont& font : StartupWarmUp::firstScreenFonts()) warmUp_->addFont(font);
      warmUp_->resume();
      connect(rootViewComponent_.get(), &QQmlComponent::statusChanged, this, [this] {
        if (!rootViewComponent_->isLoading()) showContent();
      });
    }
    return;
  }
  if (!mainWindow_->property("rootView").value<QQuickItem*>()) return;
  disconnect(mainWindow_, &QQuickWindow::frameSwapped, this, &AmberloomApp::mainWindowDrew);
  startDeferredWork();
}

void AmberloomApp::showContent() {
  delete warmUp_;
  if (!mainWindow_ || mainWindow_->property("showsContent").toBool()) return;
  if (rootViewComponent_->isError())
    qCWarning(ui::lcApp).noquote() << "The main window's root view cannot be made:" << rootViewComponent_->errorString();
  mainWindow_->setProperty("showsContent", true);
}

void AmberloomApp::startDeferredWork() {
  if (deferredWorkStarted_) return;
  deferredWorkStarted_ = true;
  delete warmUp_;
  if (mainWindow_) mainWindow_->setProperty("showsMenus", true);
  root_.startAfterFirstFrame();
  emit started();
}

void AmberloomApp::bringForward() {
  if (!mainWindow_) return;
  if (mainWindow_->windowState() & Qt::WindowMinimized) mainWindow_->showNormal();
  mainWindow_->show();
  mainWindow_->raise();
  mainWindow_->requestActivate();
}

void AmberloomApp::showPreferences() {
  if (preferencesWindow_ && preferencesWindow_->isVisible()) {
    preferencesWindow_->raise();
    preferencesWindow_->requestActivate();
    return;
  }
  delete preferencesWindow_;
  // Made afresh with each window, so the switch starts from the stored preference.
  auto* model = new ui::PreferencesViewModel(
      false, *StoreUserDefaults::standard(), supportService(), removalFactory_.get(),
      [catalog = root_.catalog](bool on) { catalog->setShowsRiskySettings(on); }, root_.account.get(), workspace_);
  preferencesWindow_ = createWindow(*compile(QStringLiteral("PreferencesWindow")), QStringLiteral("PreferencesWindow"),
                                    {{"model", QVariant::fromValue(model)}});
  model->setParent(preferencesWindow_);
  preferencesWindow_->show();
}

QString AmberloomApp::exportScript(const QUrl& location) {
  const auto local = ui::SystemDialogs::localPath(location);
  if (!local) return tr("Only a file on this computer can be written: %1").arg(location.toString());
  const std::string path = local->toStdString();
  // The script goes into a folder the user picked: a name typed as a path leads nowhere new.
  const auto parent = std::filesystem::path(path).parent_path().lexically_normal();
  std::error_code missing;
  if (!std::filesystem::is_directory(parent, missing))
    return tr("There is no folder %1 to save the script in.").arg(QString::fromStdString(parent.string()));
  try {
    platform::writeFileAtomically(path, root_.catalog->exportScript(iso8601::now()));
  } catch (const std::exception& error) {
    return QString::fromStdString(error.what());
  }
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms(0755), std::filesystem::perm_options::replace, ignored);
  const QString folder = QString::fromStdString(std::filesystem::path(path).parent_path().string());
  if (folder != lastExportFolder_) {
    lastExportFolder_ = folder;
    emit exportFolderChanged();
  }
  return {};
}

QUrl AmberloomApp::exportFolder() const {
  return QUrl::fromLocalFile(lastExportFolder_.isEmpty() ? QString::fromStdString(platform::homeDirectory())
                                                        : lastExportFolder_);
}

}  // namespace amberloom::app
