// Every QML file of the module, and Qt's own dialogs the screens open, compiled by the real engine
// in the application's style (the tests' main sets it as the application's does): a run-time module
// that is not installed fails here, not on a user.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QQmlComponent>
#include <QQmlEngine>

#include "Kit/SymbolImageProvider.hpp"
#include "Kit/SystemDialogs.hpp"

namespace {

using amberloom::ui::SystemDialogs;

TEST(QmlModule, EveryComponentAndEverySystemDialogCompiles) {
  QQmlEngine engine;
  amberloom::ui::installKit(engine);

  int compiled = 0;
  for (QDirIterator files(QStringLiteral(":/qt-project.org/imports/AmberLoom/UI"), {QStringLiteral("*.qml")},
                          QDir::Files, QDirIterator::Subdirectories);
       files.hasNext();) {
    const QUrl file(QStringLiteral("qrc") + files.next());
    QQmlComponent component(&engine, file);
    EXPECT_TRUE(component.isReady()) << component.errorString().toStdString();
    ++compiled;
  }
  EXPECT_GT(compiled, 50);

  for (auto kind : {SystemDialogs::FileDialog, SystemDialogs::FolderDialog, SystemDialogs::ColorDialog,
                    SystemDialogs::MessageDialog})
    EXPECT_EQ(SystemDialogs::unavailable(engine, kind).toStdString(), "") << kind;
}

}  // namespace
