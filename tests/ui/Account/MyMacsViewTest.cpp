// The My Macs page over two Macs of one local account server and a backup folder: ticking cards,
// copying, pinning, choosing a Mac, the question about sync at login, and the page in both
// palettes at the main window's width.

#include <QFontMetricsF>

#include "../Guided/FirstRunHome.hpp"
#include "Account/StartupQuestion.hpp"
#include "PageDriver.hpp"
#include "ScreenGeometry.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TwoMacs.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using V = PreferenceValue;

namespace {

void prepareTwoMacs(TwoMacs& macs) {
  macs.there.set("com.example.dock", "tilesize", V::integer(64));
  macs.there.set("com.example.finder", "ShowHidden", V::boolean(true));
  macs.there.set("com.example.finder", "Title", V::string("A rather long window title that the card shows whole"));
  macs.here.set("com.example.dock", "tilesize", V::integer(36));
  macs.here.set("com.example.dock", "autohide", V::boolean(true));
  auto publisher = macs.there.model();
  await(*publisher, &SyncModel::publish);
  const auto third = macs.server.signIn(macs.here.client, "ada@example.com", "HW-C", "Garbled Mac");
  macs.here.client.putDocument(R"({"checksum":"0","deviceID":"C","intents":{},"schemaVersion":1})", 0, third.token,
                               "HW-C");
}

}  // namespace

TEST(MyMacsView, ticksCopiesPinsAndAsksAboutSyncAtLogin) {
  FirstRunHome backups;
  backups.backUpAs("11111111-2222-3333-4444-555555555555", "Studio");
  auto firstRun = backups.model();
  TwoMacs macs;
  prepareTwoMacs(macs);
  auto model = macs.here.model();
  await(*model, &SyncModel::syncNow);
  ui::StartupQuestion startup(LoginItemService(LoginItemService::agentPlist));
  PageDriver page("MyMacsScreen.qml", {980, 1000},
                  {{"backup", firstRun.get()}, {"startup", &startup}, {"model", model.get()}});
  EXPECT_TRUE(page.item("publishedNote")->isVisible());
  EXPECT_TRUE(page.item("unreadable")->isVisible());

  EXPECT_FALSE(page.item("copyRow", "actionButton")->isEnabled());
  page.click(page.item("card-dock.tile", "tick"));
  EXPECT_EQ(model->selectedIDs(), std::set<std::string>{"dock.tile"});
  EXPECT_EQ(page.item("copyRow", "secondLine")->property("text").toString(),
            QStringLiteral("1 setting ticked. They are written to this Mac and verified afterwards."));

  // Pinning a card takes it off the list, and the summary counts the pin.
  page.click(page.item("card-finder.hidden", "pin"));
  EXPECT_EQ(model->pinned(), std::set<std::string>{"finder.hidden"});
  EXPECT_TRUE(page.item("pinnedCount")->isVisible());

  page.click(page.item("copyRow", "actionButton"));
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(64));
  EXPECT_TRUE(page.item("reportRow")->isVisible());
  EXPECT_EQ(page.item("reportSummary")->property("text").toString(), QStringLiteral("1 of 1 settings brought over"));

  // Choosing the Mac again compares afresh.
  page.click(page.item("macRow-MAC-B"));
  EXPECT_EQ(model->selectedDeviceID(), "MAC-B");

  const auto images = renderInBothPalettes(testQml("MyMacsScreen.qml"), QStringLiteral("my-macs"), {980, 1000},
                                           {{"model", QVariant::fromValue<QObject*>(model.get())},
                                            {"backup", QVariant::fromValue<QObject*>(firstRun.get())},
                                            {"startup", QVariant::fromValue<QObject*>(&startup)}});
  // Off, the switch's track stands out from its white row in the light palette too.
  const QRectF track = sceneRect(page.item("autoSyncSwitch"));
  const QColor off = images.light.pixelColor(QPointF(track.right() - 8, track.center().y()).toPoint());
  const QColor row = images.light.pixelColor(QPointF(track.left() - 8, track.center().y()).toPoint());
  EXPECT_GE(row.lightness() - off.lightness(), 30);

  // Automatic sync on, with no login item yet: the page asks; "Yes" registers it.
  page.click(page.item("autoSyncSwitch"));
  EXPECT_TRUE(model->isAutoSyncOn());
  ASSERT_TRUE(page.popupOpens("startupQuestion"));
  page.clickInPopup("startupQuestion", "alertAction");
  EXPECT_EQ(LoginItemService(LoginItemService::agentPlist).status(), LoginItemService::Status::enabled);
  EXPECT_FALSE(startup.isAsking());

  // Off removes the login item without asking; on again with the item gone asks again, and "No"
  // keeps automatic sync on.
  page.click(page.item("autoSyncSwitch"));
  EXPECT_EQ(LoginItemService(LoginItemService::agentPlist).status(), LoginItemService::Status::disabled);
  page.click(page.item("autoSyncSwitch"));
  ASSERT_TRUE(page.popupOpens("startupQuestion"));
  page.clickInPopup("startupQuestion", "alertCancel");
  EXPECT_TRUE(model->isAutoSyncOn());
  EXPECT_EQ(LoginItemService(LoginItemService::agentPlist).status(), LoginItemService::Status::disabled);
}

TEST(MyMacsView, namesIdsAndPathsWithDollarSignsOrMarkupAreShownAsTheyAre) {
  FirstRunHome backups;
  backups.folder = home() + "/Cloud/$&$`$'";  // no backups there yet
  auto firstRun = backups.model();
  TwoMacs macs;
  SyncMac odd{macs.server, home() + "/odd-mac", "MAC-$&",
              std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(home() + "/odd-mac", "HOST-C"))};
  await(*odd.model(), &SyncModel::publish);  // as bare as this Mac: nothing to bring over
  const auto garbled = macs.server.signIn(macs.here.client, "ada@example.com", "HW-C", "<b>Garbled</b> $& Mac");
  // Shaped as a document, so the server takes it, but its checksum does not hold.
  macs.here.client.putDocument(R"({"schemaVersion":1,"deviceID":"MAC-G","checksum":"0","intents":{}})", 0,
                               garbled.token, "HW-C");
  auto model = macs.here.model();
  await(*model, &SyncModel::syncNow);
  model->selectDevice(QStringLiteral("MAC-$&"));
  PageDriver page("MyMacsScreen.qml", {980, 1000}, {{"backup", firstRun.get()}, {"model", model.get()}});
  const auto textOf = [&](const char* owner, const char* name) { return page.item(owner, name)->property("text").toString(); };
  EXPECT_EQ(textOf("backupSection", "noBackups"), QString::fromStdString("No backups in " + backups.folder + " yet."));
  EXPECT_EQ(textOf("differences", "nothingToBring"), QString::fromUtf8("Nothing to bring over — this Mac already matches Mac MAC-$&."));
  // As typed: the markup takes its room on the line instead of setting the name in bold.
  const auto* unreadable = page.item("unreadable", "text");
  EXPECT_EQ(unreadable->property("text").toString(), "<b>Garbled</b> $& Mac could not be read");
  EXPECT_GE(unreadable->implicitWidth() + 1,
            QFontMetricsF(unreadable->property("font").value<QFont>()).horizontalAdvance(unreadable->property("text").toString()));
}

TEST(MyMacsView, theOtherMacsNamesAndIdsOfAnyLengthAreShownOnOneShortLine) {
  TwoMacs macs;
  // A name of a megabyte (as much as a document may carry), and one as long as the server keeps.
  const std::string hugeName = "Huge " + std::string((1 << 20) - 5, 'N');
  const auto huge = macs.server.signIn(macs.here.client, "ada@example.com", "HW-H", "Huge Mac");
  macs.here.client.putDocument(SyncDocument{"MAC-H", hugeName, {{"dock.autohide", V::boolean(true)}}}.encoded(), 0,
                               huge.token, "HW-H");
  const std::string longName(250, 'W');
  const auto garbled = macs.server.signIn(macs.here.client, "ada@example.com", "HW-G", longName);
  macs.here.client.putDocument(R"({"schemaVersion":1,"deviceID":"MAC-G","checksum":"0","intents":{}})", 0,
                               garbled.token, "HW-G");
  auto model = macs.here.model();
  await(*model, &SyncModel::syncNow);
  PageDriver page("MyMacsScreen.qml", {980, 1000}, {{"model", model.get()}});
  const auto textOf = [&](const char* owner, const char* name) { return page.item(owner, name)->property("text").toString(); };
  EXPECT_EQ(textOf("macRow-MAC-H", "macName"), "Huge " + QString(45, 'N') + u'\u2026' + QString(50, 'N'));
  EXPECT_EQ(textOf("unreadable", "text"),
            QString(50, 'W') + u'\u2026' + QString(50, 'W') + QStringLiteral(" could not be read"));
  renderInBothPalettes(page.window(), QStringLiteral("my-macs-long-names"));

  // A copy from a Mac whose id and name run to a megabyte: the undo point and the page name it by
  // its name, cut, never by its id.
  const std::string hugeID = std::string((1 << 20) - 1, 'I') + "D";
  macs.here.client.putDocument(SyncDocument{hugeID, hugeName, {{"dock.autohide", V::boolean(true)}}}.encoded(), 1,
                               huge.token, "HW-H");
  await(*model, &SyncModel::refresh);
  model->selectDevice(QString::fromStdString(hugeID));
  model->selectAll();
  model->applySelected();
  ASSERT_EQ(model->history().size(), 1u);
  const QString cutName = "Huge " + QString(45, 'N') + u'\u2026' + QString(50, 'N');
  EXPECT_EQ(QString::fromStdString(model->history()[0].reason), "Before bringing 1 settings from " + cutName);
  EXPECT_EQ(textOf("differences", "nothingToBring"),
            QString::fromUtf8("Nothing to bring over — this Mac already matches ") + cutName + u'.');
}

TEST(MyMacsView, withoutOtherMacsShowsTheEmptyStateAndNoBackupBoxWithoutAFirstRunModel) {
  TwoMacs macs;
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);
  ui::StartupQuestion startup(LoginItemService(LoginItemService::agentPlist));
  PageDriver page("MyMacsScreen.qml", {980, 560}, {{"backup", nullptr}, {"startup", &startup}, {"model", model.get()}});
  EXPECT_TRUE(page.item("emptyState")->isVisible());
  EXPECT_FALSE(page.item("macList")->isVisible());
  EXPECT_FALSE(page.item("differences")->isVisible());
  EXPECT_FALSE(page.item("backupSection")->isVisible());
  // The window's tool bar shows the page's title and subtitle.
  const auto* shown = page.item("page")->property("item").value<QQuickItem*>();
  EXPECT_EQ(shown->property("title").toString(), QStringLiteral("My Macs"));
  EXPECT_EQ(shown->property("subtitle").toString(), QStringLiteral("no other Macs yet"));
}

TEST(MyMacsView, theStartupQuestionSaysWhatMustRunAtLoginForTheLocalServer) {
  ::setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:8421/api/v1", 1);
  TwoMacs macs;
  prepareTwoMacs(macs);
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);
  ui::StartupQuestion startup(LoginItemService(LoginItemService::agentPlist));
  PageDriver page("MyMacsScreen.qml", {980, 1000}, {{"backup", nullptr}, {"startup", &startup}, {"model", model.get()}});
  page.window().grab();  // the page's first frame lays it out
  page.click(page.item("autoSyncSwitch"));
  ASSERT_TRUE(model->isAutoSyncOn());
  ASSERT_TRUE(page.popupOpens("startupQuestion"));
  EXPECT_TRUE(page.popup("startupQuestion")
                  ->property("message")
                  .toString()
                  .endsWith(ui::StartupQuestion::localServerNote.arg("http://127.0.0.1:8421/api/v1")));
  renderInBothPalettes(page.window(), QStringLiteral("my-macs-startup-question"));
}

// Tab goes through every control of the page and round again, each drawn with its ring and the
// page scrolled to show it, down to the cards and the copy button far below the first screenful.
TEST(MyMacsView, tabReachesEveryControlAndThePageScrollsToEach) {
  TwoMacs macs;
  prepareTwoMacs(macs);
  auto model = macs.here.model();
  await(*model, &SyncModel::syncNow);
  ui::StartupQuestion startup(LoginItemService(LoginItemService::agentPlist));
  PageDriver page("MyMacsScreen.qml", {980, 420}, {{"startup", &startup}, {"model", model.get()}});
  QQuickWindow& window = page.window().window();
  const QRectF shown(QPointF(), window.size());
  std::set<QString> reached;
  QQuickItem* first = nullptr;
  for (int press = 0; press < 60; ++press) {
    QTest::keyClick(&window, Qt::Key_Tab);
    QTest::qWait(20);  // the page scrolls once the focus has moved
    QQuickItem* focused = window.activeFocusItem();
    ASSERT_TRUE(focused);
    if (focused == first) break;
    if (!first) first = focused;
    const std::string name = focused->objectName().toStdString();
    EXPECT_TRUE(focused->property("visualFocus").toBool()) << name;
    EXPECT_TRUE(shown.contains(sceneRect(focused))) << name << " is out of view";
    reached.insert(focused->objectName());
    if (name == "autoSyncSwitch") renderInBothPalettes(page.window(), QStringLiteral("my-macs-focus"));
  }
  for (const char* name : {"autoSyncSwitch", "macRow-MAC-B", "tick", "pin", "actionButton"})
    EXPECT_TRUE(reached.contains(QString::fromLatin1(name))) << name;
}
