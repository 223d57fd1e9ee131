// The process entry. The two headless switches are answered before anything of Qt exists; any
// other start is the windowed application.

#include <QGuiApplication>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "AmberLoom/AmberloomApp.hpp"

Q_IMPORT_QML_PLUGIN(AmberLoom_UIPlugin)

int main(int argc, char** argv) {
  amberloom::app::AmberloomApp::handleCommandLineSwitches(std::vector<std::string>(argv, argv + argc));
  QGuiApplication application(argc, argv);
  QGuiApplication::setApplicationName(QStringLiteral("AmberLoom"));
  QGuiApplication::setOrganizationDomain(QStringLiteral("winterbrae.tv"));
  amberloom::app::AmberloomApp app;
  try {
    app.showMainWindow();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "AmberLoom: %s\n", error.what());
    return 1;
  }
  return QGuiApplication::exec();
}
