// The process entry. The two headless switches are answered before any Qt object exists; any
// other start is the windowed application, unless this home's application runs already: that one
// is asked to bring its window forward, and this start ends.

#include <QGuiApplication>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <exception>
#include <future>
#include <string>
#include <vector>

#include "AmberLoom/AmberloomApp.hpp"
#include "AmberLoom/SingleInstance.hpp"
#include "Kit/Logging.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Support/BackgroundTask.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

int main(int argc, char** argv) {
  // The core's warnings go to Qt's categories from the start, the login-time run's included.
  amberloom::ui::installCoreLogging();
  amberloom::app::AmberloomApp::handleCommandLineSwitches(std::vector<std::string>(argv, argv + argc));
  amberloom::app::AmberloomApp::prepareProcess();
  const std::string home = amberloom::platform::homeDirectory();
  // Taken before anything reads or sweeps this home's files, which a running application may be
  // writing; they are then read beside the start of Qt.
  auto lock = amberloom::app::SingleInstance::Lock::take(home);
  std::future<amberloom::app::RootScene::Resources> resources;
  if (lock) resources = amberloom::runInBackground(&amberloom::app::RootScene::loadResources);
  QGuiApplication application(argc, argv);
  QGuiApplication::setApplicationName(QStringLiteral("AmberLoom"));
  QGuiApplication::setOrganizationDomain(QStringLiteral("winterbrae.tv"));
  if (!lock) {
    if (amberloom::app::SingleInstance::askToShow(home)) return 0;
    std::fprintf(stderr, "AmberLoom: it is running already for %s, but does not answer\n", home.c_str());
    return 1;
  }
  // Listening waits for the application: its engine starts compiling the window first, and a later
  // start that asks meanwhile keeps asking until it is answered.
  amberloom::app::AmberloomApp app(std::move(resources));
  const auto instance = amberloom::app::SingleInstance::listen(std::move(*lock));
  QObject::connect(instance.get(), &amberloom::app::SingleInstance::showRequested, &app,
                   &amberloom::app::AmberloomApp::bringForward);
  try {
    app.showMainWindow();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "AmberLoom: %s\n", error.what());
    return 1;
  }
  return QGuiApplication::exec();
}
