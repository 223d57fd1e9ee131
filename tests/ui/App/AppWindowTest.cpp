// The real application in this process on the offscreen platform: which screen the main window
// shows at each stage, its size limits, the export command through a stand-in save panel, and the
// settings window. Every stage is saved as a picture in both palettes.

#include <gtest/gtest.h>

#include <QFont>
#include <algorithm>
#include <functional>
#include <filesystem>
#include <optional>

#include "Account/AccountModel.hpp"
#include "Account/SyncModel.hpp"
#include "AmberLoom/StartupWarmUp.hpp"
#include "AmberLoom/Updater.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Kit/SystemColorScheme.hpp"
#include "ScreenGeometry.hpp"
#include "ScriptedServer.hpp"
#include "SettingCardsScreen.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using amberloom::StoreUserDefaults;
namespace ui = amberloom::ui;
using AppWindow = amberloom::testing::AppFixture;
using amberloom::testing::RecordingWorkspace;

namespace {

// No text of an open menu of `window` is cut short.
void expectMenuTextsWhole(QQuickWindow* window) {
  int shown = 0;
  for (auto* item : window->findChildren<QQuickItem*>()) {
    bool inMenu = false;
    for (auto* above = item; above && !inMenu; above = above->parentItem())
      inMenu = QByteArray(above->metaObject()->className()).startsWith("QQuickPopupItem");
    if (!inMenu || !item->isVisible() || !item->property("truncated").isValid()) continue;
    ++shown;
    EXPECT_FALSE(item->property("truncated").toBool()) << item->property("text").toString().toStdString();
  }
  EXPECT_GT(shown, 0) << "no menu open";
}

TEST_F(AppWindow, ShowsSignInThenTheWizardOnceThenTheCatalogueWindow) {
  {
    auto app = start();
    QQuickWindow* window = app->mainWindow();
    EXPECT_EQ(window->width(), 980);
    EXPECT_EQ(window->minimumWidth(), 980);
    EXPECT_EQ(window->maximumWidth(), 980);
    // At its least height the window still gives the root view 560 points below the menu bar.
    window->resize(window->width(), window->minimumHeight());
    EXPECT_TRUE(QTest::qWaitFor([&] { return find(window, "rootView")->height() == 560; }, 60000));
    EXPECT_EQ(window->title(), QStringLiteral("AmberLoom"));
    EXPECT_EQ(screenOf(*app), QStringLiteral("signInView"));
    // The built-in information list names no update feed.
    auto* checkForUpdates = window->findChild<QObject*>(QStringLiteral("checkForUpdates"));
    ASSERT_TRUE(checkForUpdates);
    EXPECT_FALSE(checkForUpdates->property("enabled").toBool());
    saveInBothPalettes(window, QStringLiteral("app-sign-in"));
    // The application menu, open, then the File menu: every command is shown whole.
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(40, 15));
    saveInBothPalettes(window, QStringLiteral("app-menu"));
    expectMenuTextsWhole(window);
    QTest::keyClick(window, Qt::Key_Right);
    saveInBothPalettes(window, QStringLiteral("app-menu-file"));
    expectMenuTextsWhole(window);
    QTest::keyClick(window, Qt::Key_Escape);
  }
  signIn();
  {
    auto app = start();
    EXPECT_EQ(screenOf(*app), QStringLiteral("firstRunView"));
    saveInBothPalettes(app->mainWindow(), QStringLiteral("app-first-run"));
    // Signing out and in again while the wizard is unfinished brings it back.
    app->root().account->signOut();
    EXPECT_EQ(screenOf(*app), QStringLiteral("signInView"));
  }
  signIn();
  {
    auto app = start();
    ASSERT_EQ(screenOf(*app), QStringLiteral("firstRunView"));
    click(app->mainWindow(), "browseButton");
    EXPECT_EQ(screenOf(*app), QStringLiteral("catalogView"));
    EXPECT_EQ(StoreUserDefaults::standard()->boolValue("hasCompletedFirstRun"), true);
    saveInBothPalettes(app->mainWindow(), QStringLiteral("app-catalogue"));
  }
  // The next start goes straight to the catalogue window.
  auto app = start();
  EXPECT_EQ(screenOf(*app), QStringLiteral("catalogView"));
}

// The fonts the start readies while the root view compiles are the ones the catalogue's first screen
// sets its text in: a font that screen came to use without joining them would be loaded by its
// first text again, on the start's longest path.
TEST_F(AppWindow, TheStartReadiesEveryFontOfTheCataloguesFirstScreen) {
  signIn();
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  auto app = start();
  ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));
  const auto key = [](const QFont& font) {
    return QStringLiteral("%1 %2px %3pt weight %4").arg(font.family()).arg(font.pixelSize()).arg(font.pointSizeF()).arg(font.weight());
  };
  QStringList readied;
  for (const QFont& font : amberloom::app::StartupWarmUp::firstScreenFonts()) readied.append(key(font));
  int texts = 0;
  std::function<void(QQuickItem*)> visit = [&](QQuickItem* item) {
    if (!item->isVisible()) return;
    const QVariant text = item->property("text");
    const QVariant font = item->property("font");
    if (QByteArray(item->metaObject()->className()).startsWith("QQuickText") && !text.toString().isEmpty() &&
        font.canConvert<QFont>()) {
      ++texts;
      EXPECT_TRUE(readied.contains(key(font.value<QFont>())))
          << text.toString().toStdString() << ": " << key(font.value<QFont>()).toStdString();
    }
    for (QQuickItem* child : item->childItems()) visit(child);
  };
  visit(find(app->mainWindow(), "rootView"));
  EXPECT_GT(texts, 40);
}

// The window draws once with nothing on it, so that it shows at once; its root view follows, then
// its menus, in the place kept for them; only once the root view is drawn does sync fetch the other
// Macs (the server here is closed, so the fetch ends in an error).
TEST_F(AppWindow, DrawsItsBackgroundFirstThenItsContentThenFetches) {
  signIn();
  amberloom::app::AmberloomApp app;
  app.showMainWindow();
  QQuickWindow* window = app.mainWindow();
  EXPECT_EQ(find(window, "rootView"), nullptr);
  EXPECT_EQ(window->property("menuBar").value<QObject*>(), nullptr);
  bool drewBare = false;
  bool started = false;
  // Where the root view's first frame put it, and whether the menus were made by then.
  std::optional<qreal> firstTop;
  bool menusWithFirstContent = false;
  QObject::connect(&app, &amberloom::app::AmberloomApp::started, [&] { started = true; });
  // The offscreen platform draws on this thread.
  QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
    auto* rootView = find(window, "rootView");
    drewBare = drewBare || rootView == nullptr;
    if (rootView && !firstTop) {
      firstTop = rootView->mapToScene(QPointF(0, 0)).y();
      menusWithFirstContent = window->property("menuBar").value<QObject*>() != nullptr;
    }
  }, Qt::DirectConnection);
  ASSERT_TRUE(QTest::qWaitFor([&] { return find(window, "rootView") != nullptr; }, 60000));
  EXPECT_TRUE(drewBare);
  ASSERT_TRUE(QTest::qWaitFor([&] { return started; }, 60000));
  EXPECT_EQ(app.root().sync->lastError(), std::nullopt) << "fetched before the root view was drawn";
  // The root view starts where the menu bar, as wide as the window, ends: nothing lies under it.
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->property("menuBar").value<QQuickItem*>() != nullptr; }, 60000));
  auto* menuBar = window->property("menuBar").value<QQuickItem*>();
  EXPECT_GT(menuBar->height(), 0);
  EXPECT_EQ(menuBar->width(), window->width());
  EXPECT_EQ(find(window, "rootView")->mapToScene(QPointF(0, 0)).y(), menuBar->mapToScene(QPointF(0, menuBar->height())).y());
  // The menus were not made before the root view drew, and it did not move when they came.
  EXPECT_FALSE(menusWithFirstContent);
  ASSERT_TRUE(firstTop.has_value());
  EXPECT_EQ(*firstTop, menuBar->mapToScene(QPointF(0, menuBar->height())).y());
  EXPECT_TRUE(QTest::qWaitFor([&] { return app.root().sync->lastError().has_value(); }, 60000));
}

// Once started, a catalogue nobody touches draws no more than a frame or two in a second and a half:
// a glide nobody sees would redraw it 60 times a second.
TEST_F(AppWindow, AnIdleCatalogueWindowDrawsNoFurtherFrames) {
  signIn();
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  auto app = start();
  int frames = 0;
  QObject::connect(app->mainWindow(), &QQuickWindow::frameSwapped, app->mainWindow(), [&] { ++frames; }, Qt::DirectConnection);
  EXPECT_FALSE(QTest::qWaitFor([&] { return frames > 3; }, 1500)) << frames << " frames";
}

TEST_F(AppWindow, ExportWritesAnExecutableScriptWhereThePanelSaysAndNothingWhenCancelled) {
  auto app = start();
  QQuickWindow* window = app->mainWindow();
  const std::string folder = th::home() + "/Exports";
  const std::string target = folder + "/amberloom-settings.sh";
  th::writeFile(target, "old contents");
  std::filesystem::permissions(target, std::filesystem::perms(0600));

  struct Case {
    const char* name;
    std::string chosen;
    bool writes;
  };
  const std::vector<Case> cases = {
      {"over an existing file", target, true},
      {"cancelled", "", false},
      {"into a folder that cannot exist", th::home() + "/Exports/amberloom-settings.sh/inside.sh", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    th::writeFile(target, "old contents");
    window->setProperty("savePanel", QVariant::fromValue(answeringPanel(*app, c.chosen)));
    QMetaObject::invokeMethod(window, "exportScript");
    EXPECT_EQ(th::readFile(target).rfind("#!/usr/bin/env bash\n", 0) == 0, c.writes);
  }
  // The replaced file is readable and runnable by all.
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all, std::filesystem::perms(0755));
  // A write that fails says why and leaves nothing: under a file, or in folders that do not exist
  // (a path typed into the name field), which are not made.
  for (const std::string& chosen : {target + "/inside.sh", folder + "/proc/none/x.sh"}) {
    SCOPED_TRACE(chosen);
    EXPECT_FALSE(app->exportScript(QUrl::fromLocalFile(QString::fromStdString(chosen))).isEmpty());
    EXPECT_FALSE(th::fileExists(chosen));
  }
  EXPECT_FALSE(th::fileExists(folder + "/proc"));
}

// Qt's own save and folder panels, as the application makes them: ready to use, and readable in
// either palette (the pictures are looked at); a panel that cannot be made is an alert, never a
// crash.
TEST_F(AppWindow, RealPanelsOpenReadyInEitherPaletteAndOneThatCannotBeMadeIsAnAlert) {
  signIn();
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  auto app = start();
  QQuickWindow* window = app->mainWindow();
  const QUrl home = QUrl::fromLocalFile(QString::fromStdString(th::home()));
  app->root().catalog->setSearchText(QStringLiteral("Save screenshots to"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return firstVisible(window->contentItem(), "chooseButton") != nullptr; }, 60000));
  const QDir screens(QStringLiteral(AMBERLOOM_SCREENS_DIR));

  for (auto [scheme, suffix] : {std::pair{ui::SystemColorScheme::Light, "-light.png"}, {ui::SystemColorScheme::Dark, "-dark.png"}}) {
    SCOPED_TRACE(suffix);
    ui::SystemColorScheme::instance().setScheme(scheme);
    const QColor base = window->property("palette").value<QObject*>()->property("base").value<QColor>();

    // The export's save panel: the proposed name in the home folder, and a Save button.
    QMetaObject::invokeMethod(window, "exportScript");
    QObject* save = shownDialog(window, "QQuickFileDialogImpl");
    ASSERT_TRUE(save);
    EXPECT_EQ(save->property("fileName").toString(), QStringLiteral("amberloom-settings.sh"));
    EXPECT_EQ(save->property("currentFolder").toUrl(), home);
    bool saveButton = false;
    for (auto* item : save->findChildren<QQuickItem*>())
      saveButton = saveButton || (item->inherits("QQuickAbstractButton") && item->property("text") == "Save");
    EXPECT_TRUE(saveButton);
    QTest::qWait(300);  // the folder's listing
    window->grabWindow().save(screens.filePath(QStringLiteral("app-save-panel") + suffix));
    QMetaObject::invokeMethod(save, "reject");

    // The folder control opens the folder panel in the home folder; the path bar, which Qt paints
    // white, keeps to the palette.
    click(window, firstVisible(window->contentItem(), "chooseButton"));
    QObject* folder = shownDialog(window, "QQuickFolderDialogImpl");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->property("currentFolder").toUrl(), home);
    for (auto* bar : folder->findChildren<QQuickItem*>()) {
      if (!bar->inherits("QQuickFolderBreadcrumbBar")) continue;
        EXPECT_EQ(bar->property("background").value<QQuickItem*>()->property("color").value<QColor>(), base);
    }
    QTest::qWait(300);
    window->grabWindow().save(screens.filePath(QStringLiteral("app-folder-panel") + suffix));
    QMetaObject::invokeMethod(folder, "reject");
  }
  ui::SystemColorScheme::instance().setScheme(ui::SystemColorScheme::Light);

  // A panel whose QML needs a module that is not there.
  auto* broken = new QQmlComponent(&app->engine(), window);
  broken->setData("import QtQuick\nimport Qt.labs.notinstalled\nQtObject {}\n", QUrl());
  window->setProperty("savePanel", QVariant::fromValue(broken));
  QMetaObject::invokeMethod(window, "exportScript");
  QQuickItem* message = firstVisible(window->contentItem(), "dialogAlertMessage");
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->property("text").toString().contains(QStringLiteral("is not installed"))) << message->property("text").toString().toStdString();
  QTest::keyClick(window, Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !firstVisible(window->contentItem(), "dialogAlertMessage"); }, 60000));
}

TEST_F(AppWindow, SettingsWindowHandsTheRiskySwitchToTheBrowserAndOffersTheCrashReport) {
  signIn();
  const std::string report = th::home() + "/Library/Logs/DiagnosticReports/AmberLoom-2026-12-08.ips";
  th::writeFile(report, "crash");
  auto app = start();
  auto workspace = std::make_shared<RecordingWorkspace>();
  app->setWorkspace(workspace);
  app->showPreferences();
  QQuickWindow* window = app->preferencesWindow();
  ASSERT_TRUE(window);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 60000));
  EXPECT_EQ(window->width(), 520);
  saveInBothPalettes(window, QStringLiteral("app-preferences"));

  EXPECT_EQ(find(window, "reportLine")->property("text").toString(),
            QStringLiteral("This version sends no usage or crash reports."));
  // Opening the window changed nothing; the switch reaches the browser and its preference.
  EXPECT_FALSE(app->root().catalog->showsRiskySettings());
  click(window, "riskyToggle");
  EXPECT_TRUE(app->root().catalog->showsRiskySettings());
  EXPECT_EQ(StoreUserDefaults::standard()->boolValue("showsRiskySettings"), true);
  click(window, "riskyToggle");
  EXPECT_FALSE(app->root().catalog->showsRiskySettings());

  EXPECT_TRUE(find(window, "crashNotice")->isVisible());
  click(window, "showReport");
  ASSERT_EQ(workspace->revealed.size(), 1u);
  EXPECT_EQ(workspace->revealed[0].toStdString(), report);
  click(window, "emailSupport");
  ASSERT_EQ(workspace->opened.size(), 1u);
  EXPECT_TRUE(workspace->opened[0].toString().startsWith(QStringLiteral("mailto:support@winterbrae.tv?subject=")));
  QObject* mailAlert = window->findChild<QObject*>(QStringLiteral("supportMailAlert"));
  ASSERT_TRUE(mailAlert);
  EXPECT_FALSE(mailAlert->property("visible").toBool());
  // No mail program takes the link: the address and the prepared text are offered to copy.
  workspace->answers = false;
  click(window, "emailSupport");
  ASSERT_TRUE(QTest::qWaitFor([&] { return mailAlert->property("opened").toBool(); }, 60000));
  saveInBothPalettes(window, QStringLiteral("app-support-mail"));
  EXPECT_EQ(find(window, "supportAddress")->property("text").toString(), QStringLiteral("support@winterbrae.tv"));
  const QString prepared = find(window, "supportMailText")->property("text").toString();
  EXPECT_TRUE(prepared.startsWith(QStringLiteral("AmberLoom "))) << prepared.toStdString();
  th::RecordingPasteboard pasteboard;
  mailAlert->setProperty("pasteboard", QVariant::fromValue<ui::Pasteboard*>(&pasteboard));
  click(window, "copyAddress");
  click(window, "copyMailText");
  EXPECT_EQ(pasteboard.copied, (QStringList{QStringLiteral("support@winterbrae.tv"), prepared}));
  // Escape closes the alert, not the window.
  QTest::keyClick(window, Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !mailAlert->property("visible").toBool(); }, 60000));
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(find(window, "practiceNote")->isVisible());

  // Each opening of the removal sheet plans afresh with a model of its own; Return closes it.
  QObject* sheet = window->findChild<QObject*>(QStringLiteral("removalSheet"));
  ASSERT_TRUE(sheet);
  std::vector<QObject*> models;
  for (int opening = 0; opening < 2; ++opening) {
    click(window, "removeApp");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->property("opened").toBool(); }, 60000));
    models.push_back(sheet->property("model").value<QObject*>());
    if (opening == 0) saveInBothPalettes(window, QStringLiteral("app-removal-sheet"));
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet->property("visible").toBool(); }, 60000));
  }
  EXPECT_TRUE(models[0] && models[1]);
  EXPECT_NE(models[0], models[1]);

  // Escape and Ctrl+W close the window itself.
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_W, Qt::ControlModifier}}) {
    app->showPreferences();
    QQuickWindow* shown = app->preferencesWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown, 60000));
    QTest::keyClick(shown, key, modifiers);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown->isVisible(); }, 60000)) << key;
  }
}

TEST_F(AppWindow, SettingsWindowOfAnAccountWithManyMacsFitsTheScreenAndScrollsToItsButtons) {
  // Fifty Macs, each named as long as the pages show a name.
  std::string devices;
  for (int i = 0; i < 50; ++i)
    devices += (i ? "," : "") + std::string(R"({"id":"mac-)") + std::to_string(i) + R"(","name":")" +
               std::string(100, 'W') + R"(","last_seen_at":"2026-12-08T10:00:00Z","is_this_mac":)" +
               (i ? "false" : "true") + "}";
  th::ScriptedServer server;
  server.answer({200, R"({"email":"ada@example.com","devices":[)" + devices + "]}"});
  const std::string base = server.url("/api/v1");
  ::setenv("AMBERLOOM_ACCOUNT_URL", base.c_str(), 1);
  amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
      .save("token-1", "ada@example.com", "mac-0", base);
  auto app = start();
  // The Macs are known before the window is made, as after a visit to the account page.
  app->root().account->loadAccount();
  ASSERT_TRUE(QTest::qWaitFor([&] { return app->root().account->devices().size() == 50u; }, 60000));
  app->showPreferences();
  QQuickWindow* window = app->preferencesWindow();
  ASSERT_TRUE(window);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 60000));
  const auto below = [&](const char* name) { return th::ScreenWindow::findBelow(window->contentItem(), QString::fromLatin1(name)); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return below("device-mac-49"); }, 60000));
  QCoreApplication::processEvents();
  EXPECT_LE(window->height(), window->screen()->availableGeometry().height());
  saveInBothPalettes(window, QStringLiteral("app-preferences-many-macs"));
  // Every Mac's Remove lies within the window's width; the account's own buttons are a scroll away.
  for (const char* row : {"device-mac-0", "device-mac-49"}) {
    const QRectF remove = th::sceneRect(th::ScreenWindow::findBelow(below(row), QStringLiteral("remove")));
    EXPECT_LE(remove.right(), window->width()) << row;
  }
  auto* scroller = find(window, "preferencesScroller");
  ASSERT_TRUE(scroller);
  scroller->setProperty("contentY", scroller->property("contentHeight").toDouble() - scroller->height());
  QCoreApplication::processEvents();
  const QRectF deleteAccount = th::sceneRect(below("deleteAccount"));
  EXPECT_TRUE(QRectF(QPointF(), window->size()).contains(deleteAccount));
}

// A settings window closed with a question open keeps nothing: the question closes with it and no
// item holds the focus (a screen reader would still find it there).
TEST_F(AppWindow, AClosedSettingsWindowKeepsNoQuestionAndNoFocus) {
  signIn();
  auto app = start();
  app->showPreferences();
  QQuickWindow* window = app->preferencesWindow();
  ASSERT_TRUE(window);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 60000));
  window->requestActivate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window, 60000));
  QTest::keyClick(window, Qt::Key_Tab);
  saveInBothPalettes(window, QStringLiteral("app-preferences-focus"));
  QTest::keyClick(window, Qt::Key_Tab);  // from "Sign out" to "Delete account…", which asks first
  QTest::keyClick(window, Qt::Key_Space);
  QObject* question = window->findChild<QObject*>(QStringLiteral("deleteConfirmation"));
  ASSERT_TRUE(question);
  ASSERT_TRUE(QTest::qWaitFor([&] { return question->property("opened").toBool(); }, 60000));
  saveInBothPalettes(window, QStringLiteral("app-preferences-delete-question"));

  window->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 60000));
  QCoreApplication::processEvents();
  EXPECT_FALSE(question->property("visible").toBool());
  EXPECT_FALSE(window->activeFocusItem() && window->activeFocusItem() != window->contentItem());
}

// The alert of an export that could not be written shows the error, path and all, as typed: a
// name that looks like markup is not drawn as a heading.
TEST_F(AppWindow, TheExportsErrorAlertShowsThePathAsTyped) {
  auto app = start();
  QQuickWindow* window = app->mainWindow();
  const QString error = QStringLiteral("There is no folder /tmp/<h1>Big</h1>/<b>x</b> to save the script in.");
  QMetaObject::invokeMethod(window, "showExportError", Q_ARG(QVariant, error));
  QObject* alert = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (alert = shownDialog(window, "QQuickMessageDialogImpl")) != nullptr; }, 60000));
  saveInBothPalettes(window, QStringLiteral("app-export-error"));
  int shown = 0;
  for (auto* text : alert->findChildren<QQuickItem*>()) {
    if (!text->inherits("QQuickText") || text->property("text").toString() != error) continue;
    ++shown;
    EXPECT_EQ(text->property("textFormat").toInt(), Qt::PlainText);
  }
  EXPECT_EQ(shown, 1);
}

TEST(Updater, OffersChecksOnlyForANonEmptyFeedText) {
  using amberloom::app::Updater;
  const struct {
    const char* informationList;
    bool offers;
  } cases[] = {
      {R"({})", false},
      {R"({"SUFeedURL": ""})", false},
      {R"({"SUFeedURL": 5})", false},
      {R"({"SUFeedURL": null})", false},
      {R"(["SUFeedURL"])", false},
      {R"({"SUFeedURL": "https://updates.example/appcast.xml"})", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.informationList);
    EXPECT_EQ(Updater(Updater::feedURL(amberloom::parseJson(c.informationList))).canCheckForUpdates(), c.offers);
  }
}

}  // namespace
