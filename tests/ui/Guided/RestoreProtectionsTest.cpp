// The wizard's restore confirmation over a backup that switches two macOS protections off: it
// names each with what switching it off risks, brings neither unless ticked, and ticking one from
// the keyboard keeps the focus on it while the counts follow. Saved in both palettes.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include "FirstRunHome.hpp"
#include "ScreenWindow.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using PV = PreferenceValue;

namespace {

SettingDefinition protection(std::string id, std::string key, std::string label, std::string note) {
  auto setting = FirstRunHome::setting(std::move(id), "com.example.security", std::move(key));
  setting.label = std::move(label);
  setting.risk = SettingRisk::weakensSecurity;
  setting.text = SettingText{"", "", SettingTextLevel::basic, "security", "Security", {}, {}, std::move(note)};
  return setting;
}

QString heard(QQuickItem* item, QAccessible::Text which) {
  QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(item);
  return interface ? interface->text(which) : QString();
}

}  // namespace

TEST(RestoreProtections, EachProtectionIsNamedAndComesOverOnlyWhenTicked) {
  FirstRunHome mac;
  mac.catalog = SettingsCatalog(
      1, 1,
      {FirstRunHome::setting("dock.tilesize", "com.example.dock", "tilesize"),
       protection("security.quarantine", "LSQuarantine", "Ask before opening downloaded apps",
                  "With this off, apps you download open without the check."),
       protection("security.fraud", "WarnAboutFraud", "Warn about fraudulent websites",
                  "With the warning off, $& known phishing sites open unannounced.")});
  const std::string security = "com.example.security";
  mac.set({{"com.example.dock", "tilesize", PV::integer(48)}, {security, "LSQuarantine", PV::boolean(false)},
           {security, "WarnAboutFraud", PV::boolean(false)}});
  mac.backUpAs("OTHER-MAC", "Office");
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)}, {security, "LSQuarantine", PV::boolean(true)},
           {security, "WarnAboutFraud", std::nullopt}});
  const auto model = mac.model();

  ScreenWindow window(testQml("FirstRunScreen.qml"), {980, 560});
  window.screen()->setProperty("model", QVariant::fromValue<QObject*>(model.get()));
  window.window().requestActivate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window.window()));
  model->askToRestore(0);
  auto* alert = window.screen()->findChild<QObject*>("restoreConfirmation");
  ASSERT_TRUE(alert);
  ASSERT_TRUE(QTest::qWaitFor([&] { return alert->property("opened").toBool(); }));

  const auto rows = model->restoreProtections();
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0].toMap()["label"].toString(), "Ask before opening downloaded apps");
  EXPECT_EQ(rows[1].toMap()["note"].toString(), "With the warning off, $& known phishing sites open unannounced.");
  EXPECT_EQ(model->confirmationMessage().toStdString(),
            "1 settings will be brought over from Office.\n\n"
            "1 of them replace a value that is set on this Mac: com.example.dock tilesize.\n\n"
            "0 are already the same, and 0 have no value in that backup \u2014 those are left exactly as they are. "
            "Nothing is removed.\n\n"
            "2 control a macOS protection that the backup may switch off: Ask before opening downloaded apps, Warn "
            "about fraudulent websites. Each comes over only when you tick it below.");

  // Each row: its own tick box, heard with the protection's name and what switching it off risks.
  const auto row = [&](int n) { return ScreenWindow::findBelow(window.window().contentItem(), QStringLiteral("protection-%1").arg(n)); };
  ASSERT_TRUE(row(0) && row(1));
  QQuickItem* fraudTick = ScreenWindow::findBelow(row(1), "tick");
  EXPECT_EQ(heard(fraudTick, QAccessible::Name), "Bring Warn about fraudulent websites over too");
  EXPECT_EQ(heard(fraudTick, QAccessible::Description), rows[1].toMap()["note"].toString());
  EXPECT_EQ(ScreenWindow::findBelow(row(1), "label")->property("text").toString(), "Warn about fraudulent websites");
  renderInBothPalettes(window, QStringLiteral("first-run-restore-protections"));

  // Ticked from the keyboard: the count follows, and the focus stays where it was.
  fraudTick->forceActiveFocus(Qt::TabFocusReason);
  QTest::keyClick(&window.window(), Qt::Key_Space);
  EXPECT_TRUE(model->restoreProtections()[1].toMap()["brings"].toBool());
  EXPECT_FALSE(model->restoreProtections()[0].toMap()["brings"].toBool());
  EXPECT_TRUE(model->confirmationMessage().startsWith("2 settings will be brought over from Office."));
  EXPECT_EQ(window.window().activeFocusItem(), ScreenWindow::findBelow(row(1), "tick"));
  EXPECT_TRUE(ScreenWindow::findBelow(row(1), "tick")->property("checked").toBool());
  renderInBothPalettes(window, QStringLiteral("first-run-restore-protections-ticked"));

  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(alert->findChild<QQuickItem*>("alertAction")));
  FirstRunHome::settle(*model);
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(48));
  EXPECT_EQ(mac.seen(security, "WarnAboutFraud"), PV::boolean(false)) << "ticked: it came";
  EXPECT_EQ(mac.seen(security, "LSQuarantine"), PV::boolean(true)) << "not ticked: the protection stays on";
  EXPECT_EQ(window.item("outcomeText")->property("text").toString(), "2 of 2 settings restored from Office");

  // Restored without asking (nobody to tick anything), no protection comes.
  mac.set({{security, "WarnAboutFraud", std::nullopt}});
  model->restore(model->backups()[0]);
  FirstRunHome::settle(*model);
  EXPECT_EQ(mac.seen(security, "WarnAboutFraud"), std::nullopt);
  EXPECT_EQ(mac.seen(security, "LSQuarantine"), PV::boolean(true));
}

TEST(RestoreProtections, EightProtectionsScrollWithinTheWindowAndTheKeyboardReachesEach) {
  FirstRunHome mac;
  std::vector<SettingDefinition> settings;
  std::vector<PrefKey> off;
  for (int i = 0; i < 8; ++i) {
    const std::string key = "Check" + std::to_string(i);
    settings.push_back(protection("security." + key, key, "Protection number " + std::to_string(i) + " of this Mac",
                                  "Switching it off lets something through that the check would have stopped."));
    off.push_back({"com.example.security", key, PV::boolean(false)});
  }
  mac.catalog = SettingsCatalog(1, 1, settings);
  mac.set(off);
  mac.backUpAs("OTHER-MAC", "Office");
  for (auto& key : off) key.value = std::nullopt;
  mac.set(off);
  const auto model = mac.model();

  ScreenWindow window(testQml("FirstRunScreen.qml"), {980, 560});
  window.screen()->setProperty("model", QVariant::fromValue<QObject*>(model.get()));
  window.window().requestActivate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window.window()));
  model->askToRestore(0);
  auto* alert = window.screen()->findChild<QObject*>("restoreConfirmation");
  ASSERT_TRUE(QTest::qWaitFor([&] { return alert->property("opened").toBool(); }));
  const auto* restore = alert->findChild<QQuickItem*>("alertAction");
  EXPECT_LE(restore->mapToScene(QPointF(0, restore->height())).y(), 560) << "the buttons stay in the window";

  // Tab by Tab to the last tick box: it is scrolled into view and ticked with Space.
  QQuickItem* last = ScreenWindow::findBelow(window.window().contentItem(), "protection-7");
  ASSERT_TRUE(last);
  QQuickItem* lastTick = ScreenWindow::findBelow(last, "tick");
  for (int i = 0; i < 12 && window.window().activeFocusItem() != lastTick; ++i) QTest::keyClick(&window.window(), Qt::Key_Tab);
  ASSERT_EQ(window.window().activeFocusItem(), lastTick);
  QTest::qWait(50);  // the list scrolls once the focus has moved
  const auto* list = ScreenWindow::findBelow(window.window().contentItem(), "restoreProtections");
  const QPointF top = lastTick->mapToItem(list, QPointF(0, 0));
  EXPECT_GE(top.y(), 0);
  EXPECT_LE(top.y() + lastTick->height(), list->height());
  QTest::keyClick(&window.window(), Qt::Key_Space);
  EXPECT_TRUE(model->restoreProtections()[7].toMap()["brings"].toBool());
  renderInBothPalettes(window, QStringLiteral("first-run-restore-eight-protections"));
}
