// The wizard's restore confirmation over a backup that switches two macOS protections off: it
// names each with what switching it off risks, also to a screen reader, brings neither unless
// ticked, and ticking one from the keyboard keeps the focus on it while the counts follow. Saved
// in both palettes.

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
      {FirstRunHome::setting("dock.tilesize", "com.example.dock", "tilesize", false, SettingValueType::integer),
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
  ASSERT_TRUE(QTest::qWaitFor([&] { return alert->property("opened").toBool(); }));

  EXPECT_TRUE(model->confirmationMessage().startsWith("1 setting will be brought over from Office.\n\n"));
  EXPECT_TRUE(model->confirmationMessage().endsWith(
      "\n\n2 control a macOS protection that the backup may switch off: Ask before opening downloaded apps, Warn "
      "about fraudulent websites. Each comes over only when you tick it below."));

  // Each row: its own tick box, heard with the protection's name and what switching it off risks.
  const auto row = [&](int n) { return ScreenWindow::findBelow(window.window().contentItem(), QStringLiteral("protection-%1").arg(n)); };
  ASSERT_TRUE(row(0) && row(1));
  QQuickItem* fraudTick = ScreenWindow::findBelow(row(1), "tick");
  EXPECT_EQ(heard(fraudTick, QAccessible::Name), "Bring Warn about fraudulent websites over too");
  EXPECT_EQ(heard(fraudTick, QAccessible::Description), "With the warning off, $& known phishing sites open unannounced.");

  // Ticked from the keyboard: the count follows, and the focus stays where it was.
  fraudTick->forceActiveFocus(Qt::TabFocusReason);
  QTest::keyClick(&window.window(), Qt::Key_Space);
  EXPECT_TRUE(model->confirmationMessage().startsWith("2 settings will be brought over from Office."));
  EXPECT_EQ(window.window().activeFocusItem(), ScreenWindow::findBelow(row(1), "tick"));
  EXPECT_TRUE(ScreenWindow::findBelow(row(1), "tick")->property("checked").toBool());
  EXPECT_FALSE(ScreenWindow::findBelow(row(0), "tick")->property("checked").toBool());
  renderInBothPalettes(window, QStringLiteral("first-run-restore-protections-ticked"));

  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(alert->findChild<QQuickItem*>("alertAction")));
  FirstRunHome::settle(*model);
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(48));
  EXPECT_EQ(mac.seen(security, "WarnAboutFraud"), PV::boolean(false)) << "ticked: it came";
  EXPECT_EQ(mac.seen(security, "LSQuarantine"), PV::boolean(true)) << "not ticked: the protection stays on";
  EXPECT_EQ(window.item("outcomeText")->property("text").toString(), "2 of 2 settings restored from Office");
}

