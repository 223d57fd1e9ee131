// The process entry. The two headless switches are answered before any Qt object exists; any
// other start is the windowed application, unless this home's application runs already: that one
// is asked to bring its window forward, and this start ends.

#include <QGuiApplication>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "AmberLoom/AmberloomApp.hpp"
#include "AmberLoom/SingleInstance.hpp"
#include "AmberLoom/StartupHeap.hpp"
#include "Kit/Logging.hpp"
#include "Platform/HomeDirectory.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

int main(int argc, char** argv) {
  // The core's warnings go to Qt's categories from the start, the login-time run's included.
  amberloom::ui::installCoreLogging();
  amberloom::app::AmberloomApp::handleCommandLineSwitches(std::vector<std::string>(argv, argv + argc));
  // Before the windowed start allocates anything of size.
  amberloom::app::StartupHeap heap(amberloom::app::applicationStartHeap);
  QGuiApplication application(argc, argv);
  QGuiApplication::setApplicationName(QStringLiteral("AmberLoom"));
  QGuiApplication::setOrganizationDomain(QStringLiteral("winterbrae.tv"));
  const std::string home = amberloom::platform::homeDirectory();
  const auto instance = amberloom::app::SingleInstance::claim(home);
  if (!instance) {
    if (amberloom::app::SingleInstance::askToShow(home)) return 0;
    std::fprintf(stderr, "AmberLoom: it is running already for %s, but does not answer\n", home.c_str());
    return 1;
  }
  amberloom::app::AmberloomApp app;
  QObject::connect(instance.get(), &amberloom::app::SingleInstance::showRequested, &app,
                   &amberloom::app::AmberloomApp::bringForward);
  QObject::connect(&app, &amberloom::app::AmberloomApp::started, [&heap] { heap.release(); });
  try {
    app.showMainWindow();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "AmberLoom: %s\n", error.what());
    return 1;
  }
  return QGuiApplication::exec();
}
