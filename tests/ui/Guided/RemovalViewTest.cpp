// The removal sheet driven as a user would: what stays and what goes, putting the settings back
// and deleting the files after confirming, the count kept once the history is gone, and practice
// mode; rendered in both palettes to be looked at.

#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "GuidedScreen.hpp"
#include "ScreenGeometry.hpp"
#include "GuidedServices.hpp"
#include "Guided/RemovalModelFactory.hpp"

using namespace amberloom;
using amberloom::ui::RemovalModel;
using amberloom::ui::RemovalModelFactory;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

class RemovalViewTest : public ::testing::Test {
 protected:
  th::GuidedServices services;
  std::string backups = th::home() + "/Documents/AmberLoom Backups";
  int made = 0;
  int unregistered = 0;
  std::optional<std::string> unregisterFailure;

  // `stillListed`: this Mac cannot be taken off its account.
  std::unique_ptr<RemovalModelFactory> factory(bool isDryRun = false, bool stillListed = false) {
    return std::make_unique<RemovalModelFactory>([this, isDryRun, stillListed] {
      ++made;
      return services.removalModel(
          isDryRun, backups,
          [this] {
            ++unregistered;
            return unregisterFailure;
          },
          std::nullopt, [stillListed] { return stillListed; });
    });
  }

  void prepare() {
    for (const auto& [id, key] : {std::pair{"dock.autohide", "autohide"}, {"finder.hidden", "hidden"}, {"dock.size", "size"}}) {
      services.log.record(id, PV::boolean(true));
      th::GuidedServices::writeOutside(key, "-bool", "true");
    }
    th::writeFile(services.support + "/catalog.cache.json", std::string(2500, 'c'));
    th::writeFile(services.support + "/pending-sync.json", "{}");
    th::writeFile(backups + "/mac.amberloom.json", "1234");
  }
};

}  // namespace

TEST_F(RemovalViewTest, RendersTheSheetInBothPalettes) {
  prepare();
  auto models = factory();
  th::GuidedScreen screen("removal", models.get(), nullptr, {980, 720});
  th::renderInBothPalettes(screen.window(), "removal");
  screen.click("revertButton");
  EXPECT_TRUE(screen.item("dialogAction")->property("destructive").toBool()) << "not drawn as the default";
  th::renderInBothPalettes(screen.window(), "removal-confirmation");

  // Over the preferences window, with old history files too, the sheet scrolls: every size stays
  // clear of the scroll bar.
  for (int i = 0; i < 4; ++i)
    th::writeFile(services.support + "/intents.corrupt-2026-01-0" + std::to_string(i + 1) + "-101010.json", "{");
  th::GuidedScreen small("removal", models.get(), nullptr, {520, 582});
  const QRectF bar = th::sceneRect(small.item("removalScrollBar"));
  std::vector<const QQuickItem*> sizes;
  const std::function<void(const QQuickItem*)> collect = [&](const QQuickItem* item) {
    if (item->objectName() == "fileSize") sizes.push_back(item);
    for (const QQuickItem* child : item->childItems()) collect(child);
  };
  collect(small.window().window().contentItem());
  ASSERT_EQ(sizes.size(), 7u);
  for (const QQuickItem* size : sizes) EXPECT_LE(th::sceneRect(size).right(), bar.left()) << size->property("text").toString().toStdString();
  th::renderInBothPalettes(small.window(), "removal-scrolling");
}

TEST_F(RemovalViewTest, PuttingBackAndDeletingAfterConfirmingAsAUserWould) {
  prepare();
  auto models = factory();
  th::GuidedScreen screen("removal", models.get());
  EXPECT_EQ(made, 1);
  EXPECT_EQ(screen.text("settingsText"),
            "Deleting AmberLoom does not undo its work. 3 settings you changed here will stay changed.");
  EXPECT_EQ(screen.text("revertButton"), "Put all 3 settings back to their macOS defaults");
  EXPECT_TRUE(screen.shows("backupsSection"));

  screen.click("revertButton");
  EXPECT_EQ(screen.text("dialogTitle"), "Put 3 settings back to their macOS defaults?");
  screen.click("dialogCancel");
  EXPECT_EQ(services.seen("autohide"), PV::boolean(true)) << "cancelled";
  screen.click("revertButton");
  screen.click("dialogAction");
  EXPECT_EQ(services.seen("autohide"), std::nullopt);
  EXPECT_EQ(screen.text("outcomeRow"), "3 of 3 settings put back");
  EXPECT_EQ(screen.text("settingsText"),
            "You have not changed any settings with AmberLoom, so removing it leaves your Mac exactly as it is.");
  EXPECT_EQ(unregistered, 1);

  // Changed again elsewhere, then the files go: the count stays, the way back does not.
  services.log.record("dock.size", PV::boolean(false));
  services.log.record("finder.path", PV::string("~"));
  auto* sheet = screen.shown()->findChild<QObject*>("removalSheet");
  QMetaObject::invokeMethod(sheet, "close");
  QMetaObject::invokeMethod(sheet, "open");
  screen.settle();
  EXPECT_EQ(made, 2) << "a fresh model at each opening";
  screen.click("deleteButton");
  EXPECT_EQ(screen.text("dialogTitle"), "Delete AmberLoom's files?");
  screen.click("dialogAction");
  EXPECT_FALSE(std::filesystem::exists(services.support + "/intents.json"));
  EXPECT_EQ(th::readFile(backups + "/mac.amberloom.json"), "1234");
  EXPECT_EQ(screen.text("outcomeRow"), "AmberLoom's files are gone");
  EXPECT_EQ(screen.text("settingsText"),
            "Deleting AmberLoom does not undo its work. 2 settings you changed here will stay changed — and with your "
            "change history gone, AmberLoom can no longer put them back for you.");
  EXPECT_FALSE(screen.shows("revertButton"));
  EXPECT_TRUE(screen.shows("noFiles"));
  EXPECT_FALSE(screen.shows("deleteButton"));
  EXPECT_EQ(unregistered, 2);
  th::renderInBothPalettes(screen.window(), "removal-done");

  screen.click("done");
  EXPECT_FALSE(sheet->property("visible").toBool());
}

TEST_F(RemovalViewTest, EachOpeningIsANewScreenAndSyncAtLoginLeftOnIsSaid) {
  prepare();
  unregisterFailure = "The login item could not be removed (code 3).";
  auto models = factory();
  th::GuidedScreen screen("removal", models.get());
  screen.click("revertButton");
  screen.click("dialogAction");
  EXPECT_EQ(screen.text("problemRow"), "The login item could not be removed (code 3).");
  th::renderInBothPalettes(screen.window(), "removal-problem");
  screen.click("deleteButton");
  screen.click("dialogAction");
  EXPECT_FALSE(screen.shows("revertButton"));

  // Changed again after the files went: the next opening plans afresh and offers to put it back.
  services.log.record("dock.size", PV::integer(64));
  th::GuidedServices::writeOutside("size", "-int", "64");
  auto* sheet = screen.shown()->findChild<QObject*>("removalSheet");
  QMetaObject::invokeMethod(sheet, "close");
  QMetaObject::invokeMethod(sheet, "open");
  screen.settle();
  EXPECT_EQ(screen.text("revertButton"), "Put all 1 settings back to their macOS defaults");
  EXPECT_FALSE(screen.shows("problemRow")) << "nothing has gone wrong on this screen yet";
}

TEST_F(RemovalViewTest, PracticeModeShowsBothButtonsDisabled) {
  prepare();
  auto models = factory(true);
  th::GuidedScreen screen("removal", models.get());
  EXPECT_FALSE(screen.item("revertButton")->isEnabled());
  EXPECT_FALSE(screen.item("deleteButton")->isEnabled());
  screen.click("deleteButton");
  EXPECT_FALSE(screen.shows("dialogTitle"));
  EXPECT_TRUE(std::filesystem::exists(services.support + "/intents.json"));
  EXPECT_FALSE(screen.shows("outcomeRow"));
  EXPECT_EQ(screen.text("closingSentence"), "Then quit AmberLoom and drag it from your Applications folder to the Trash.");
}

// The server cannot be reached while the files go, and the moved-aside copy of a damaged
// preferences file is among them: the outcome says this Mac is still on the account, the copy
// goes, and a later opening, with no change history left, does not claim that nothing was changed
// while the values AmberLoom set are still set.
TEST_F(RemovalViewTest, AfterDeletionTheSheetTellsWhatStaysListedAndSet) {
  prepare();
  const std::string movedAside = th::preferencesFile("tv.winterbrae.amberloom.corrupt-2026-01-01-101010");
  th::writeFile(movedAside, "bplist00 damaged");
  // The server keeps the departure waiting until the sheet has shown that it is at work.
  std::atomic<bool> answered{false};
  auto models = std::make_unique<RemovalModelFactory>([&] {
    return services.removalModel(false, backups, {}, std::nullopt, [&] {
      // Given up after a long while, should the sheet never show its work: the test then fails below.
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!answered && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return true;
    });
  });
  th::GuidedScreen screen("removal", models.get(), nullptr, {980, 760});
  const auto& listed = screen.shown()->findChild<QObject*>("removalSheet");
  ASSERT_TRUE(listed);
  screen.click("deleteButton");
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!screen.shows("workingLine")) return;
    watch.stop();
    EXPECT_EQ(screen.text("workingLine"), "Taking this Mac off your account and deleting AmberLoom's files…");
    th::renderInBothPalettes(screen.window(), "removal-leaving");
    answered = true;
  });
  watch.start(20);
  screen.click("dialogAction");
  EXPECT_TRUE(answered);
  EXPECT_FALSE(std::filesystem::exists(movedAside));
  EXPECT_EQ(screen.text("outcomeRow"),
            "AmberLoom's files are gone. This Mac is still listed on your account; remove it from another Mac or sign "
            "in again to retire it.");
  th::renderInBothPalettes(screen.window(), "removal-still-listed");

  QMetaObject::invokeMethod(listed, "close");
  QMetaObject::invokeMethod(listed, "open");
  screen.settle();
  EXPECT_EQ(screen.text("settingsText"),
            "Without a change history, AmberLoom cannot tell which settings it changed. 3 settings it knows are set "
            "on this Mac and will stay as they are.");
  EXPECT_FALSE(screen.shows("revertButton"));
  th::renderInBothPalettes(screen.window(), "removal-reopened");
}
