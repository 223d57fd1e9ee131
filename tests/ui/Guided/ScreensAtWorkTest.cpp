// Each screen whose step writes a batch, while the batch is under way: it shows what it is doing
// where its outcome goes, its controls take no clicks, the window goes on handling events, and the
// outcome is there once the step returns. The batch is held at its read-back until the screen has
// been looked at, which is saved in both palettes.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <future>

#include "../Account/PageDriver.hpp"
#include "../Account/TwoMacs.hpp"
#include "FirstRunHome.hpp"
#include "Guided/RemovalModelFactory.hpp"
#include "GuidedScreen.hpp"
#include "GuidedServices.hpp"
#include "ScreenGeometry.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using PV = PreferenceValue;

namespace {

// Reads through the `defaults` command, but only once let go.
class HeldReader final : public ExternalPreferenceReader {
 public:
  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override {
    released_.wait();
    return outside_.read(key, domain);
  }
  bool canRead(const ResolvedDomain& domain) const override {
    released_.wait();
    return outside_.canRead(domain);
  }
  DomainReading readKeys(const std::vector<std::string>& keys, const ResolvedDomain& domain) const override {
    released_.wait();
    return outside_.readKeys(keys, domain);
  }
  void letGo() {
    if (!letGo_) gate_.set_value();
    letGo_ = true;
  }

 private:
  ExternalVerifier outside_{defaultsPath()};
  std::promise<void> gate_;
  std::shared_future<void> released_ = gate_.get_future().share();
  bool letGo_ = false;
};

// Another window of the application, counting the clicks and keys it is given.
struct OtherWindow : QWindow {
  int inputs = 0;
  void mousePressEvent(QMouseEvent*) override { ++inputs; }
  void keyPressEvent(QKeyEvent*) override { ++inputs; }
};

// Runs `step`, whose batch `reader` holds. Once the screen shows the work (the main thread handles
// a timer meanwhile), its working line must say `text` and none of `controls` may take input, nor
// may any other window (a click there could take the screen away while its step waits); the
// screen is saved as `name`, then the batch let go.
void expectWorking(HeldReader& reader, ScreenWindow& window, const ui::WorkInProgress* progress, const QString& name,
                   const QString& text, const std::vector<QQuickItem*>& controls, const std::function<void()>& step) {
  bool looked = false;
  int ticks = 0;
  OtherWindow other;
  other.resize(100, 100);
  other.show();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks > 1000) reader.letGo();  // never shown: the test fails below rather than hang
    if (looked || !progress->shown()) return;
    looked = true;
    const QQuickItem* line = ScreenWindow::findShownBelow(window.window().contentItem(), "workingLine");
    EXPECT_TRUE(line && line->property("text").toString() == text) << text.toStdString();
    if (line) expectInsideAndApart({line});  // in view, wherever the step was started
    for (QQuickItem* control : controls) {
      EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
      // And a screen reader hears it unavailable, with nothing to do.
      QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(control);
      ASSERT_TRUE(heard) << control->objectName().toStdString();
      EXPECT_TRUE(heard->state().disabled) << control->objectName().toStdString();
      EXPECT_TRUE(!heard->actionInterface() || heard->actionInterface()->actionNames().isEmpty())
          << control->objectName().toStdString();
    }
    QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::keyClick(&other, Qt::Key_Return);
    renderInBothPalettes(window, name);
    reader.letGo();
  });
  timer.start(5);
  step();
  EXPECT_TRUE(looked) << "the screen never showed the work, or the window waited for it";
  EXPECT_FALSE(progress->shown());
  EXPECT_EQ(other.inputs, 0);
  QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(50, 50));  // and once the work is done, they do
  EXPECT_EQ(other.inputs, 1);
}

std::shared_ptr<HeldReader> heldReader() { return std::make_shared<HeldReader>(); }

}  // namespace

TEST(ScreensAtWork, TheWizardBringingABackupOver) {
  FirstRunHome mac;
  mac.set({tile16});
  mac.backUpAs("OTHER-MAC", "Office");
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)}});
  const auto held = heldReader();
  mac.outside = held;
  const auto model = mac.model();
  ScreenWindow window(testQml("FirstRunScreen.qml"), {980, 560});
  window.screen()->setProperty("model", QVariant::fromValue<QObject*>(model.get()));
  model->askToRestore(0);
  expectWorking(*held, window, model->progress(), "wizard-restoring", "Bringing settings over from Office…",
                {window.itemInWindow("bringOverButton"), window.item("browseButton"), window.item("skipButton")},
                [&] { model->confirmRestore(); });
  EXPECT_EQ(window.item("outcomeText")->property("text").toString(), "1 of 1 settings restored from Office");
}

TEST(ScreensAtWork, AQuickSetupBeingApplied) {
  GuidedServices services;
  const auto held = heldReader();
  ui::RecipesModel model(services.context(false, std::nullopt, held),
                         {{"tidy-dock", "Tidy Dock", "A calmer Dock", "Hides the Dock.", std::nullopt,
                           {{"dock.autohide", PV::boolean(true)}, {"dock.size", PV::integer(36)}}}},
                         services.recipeService());
  model.setSelectedRecipeID("tidy-dock");
  GuidedScreen screen("recipes", &model);
  expectWorking(*held, screen.window(), model.progress(), "recipe-applying", "Applying “Tidy Dock”…",
                {screen.item("applyButton"), screen.item("allQuickSetups")}, [&] { model.apply(); });
  screen.settle();
  EXPECT_EQ(screen.text("reportHeading"), "2 of 2 applied and verified");
}

TEST(ScreensAtWork, ARepairPuttingSettingsBack) {
  GuidedServices services;
  services.log.record("dock.autohide", PV::boolean(true));
  services.log.record("dock.size", PV::integer(64));
  GuidedServices::writeOutside("autohide", "-bool", "false");
  GuidedServices::writeOutside("size", "-int", "36");
  const auto held = heldReader();
  ui::RepairModel model(services.context(false, std::nullopt, held), services.repairScanner(),
                        services.repairService(), services.log);
  GuidedScreen screen("repair", &model);
  expectWorking(*held, screen.window(), model.progress(), "repair-putting-back", "Putting back 2 settings…",
                {screen.child("putBackRow", "actionButton"), screen.child("checkNowRow", "actionButton")},
                [&] { model.repairSelected(); });
  screen.settle();
  EXPECT_EQ(screen.text("reportHeading"), "2 of 2 put back and verified");
}

TEST(ScreensAtWork, RemovalPuttingEverySettingBack) {
  GuidedServices services;
  for (const auto& [id, key] : {std::pair{"dock.autohide", "autohide"}, {"finder.hidden", "hidden"}}) {
    services.log.record(id, PV::boolean(true));
    GuidedServices::writeOutside(key, "-bool", "true");
  }
  const auto held = heldReader();
  ui::RemovalModelFactory factory([&] {
    return std::make_unique<ui::RemovalModel>(services.context(false, std::nullopt, held),
                                              services.uninstallService(home() + "/Backups"),
                                              [] { return std::optional<std::string>(); });
  });
  GuidedScreen screen("removal", &factory);
  auto* model = screen.shown()->findChild<QObject*>("removalSheet")->property("model").value<ui::RemovalModel*>();
  expectWorking(*held, screen.window(), model->progress(), "removal-putting-back",
                "Putting 2 settings back to the macOS default…", {screen.item("revertButton"), screen.item("done")},
                [&] { model->revertEverything(); });
  screen.settle();
  EXPECT_EQ(screen.text("outcomeRow"), "2 of 2 settings put back");
}

TEST(ScreensAtWork, MyMacsCopyingTickedSettings) {
  TwoMacs macs;
  macs.there.set("com.example.dock", "tilesize", PV::integer(64));
  macs.here.set("com.example.dock", "tilesize", PV::integer(36));
  // More differences than the page shows at the window's least height: the copy is started at the
  // top, its work and its report show below them.
  macs.there.set("com.example.dock", "autohide", PV::boolean(true));
  macs.there.set("com.example.finder", "ShowHidden", PV::boolean(true));
  macs.there.set("com.example.finder", "Title", PV::string("Home"));
  await(*macs.there.model(), &SyncModel::publish);
  const auto held = heldReader();
  SyncModel model(macs.here.context(false, held), macs.here.service(), macs.here.transport);
  await(model, &SyncModel::refresh);
  model.setTicked("dock.tile", true);
  PageDriver page("MyMacsScreen.qml", {980, 560}, {{"model", &model}});
  expectWorking(*held, page.window(), model.progress(), "my-macs-copying", "Copying 1 setting from Mac MAC-B…",
                {page.item("copyRow", "actionButton"), page.item("macRow-MAC-B")}, [&] { model.applySelected(); });
  EXPECT_EQ(page.item("reportSummary")->property("text").toString(), "1 of 1 settings brought over");
  QTest::qWait(30);
  expectInsideAndApart({page.item("reportRow")});
}
