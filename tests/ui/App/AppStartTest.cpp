// The start waits on nothing outside: a desktop portal that does not answer holds no frame back
// (the palette starts light and follows the portal's late answer), and the stored undo points
// are read once the window has drawn, the list empty until then.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "AppFixture.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/ProcessRunner.hpp"
#include "PrivateSessionBus.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
namespace ui = amberloom::ui;
using AppStartOrder = th::AppFixture;

#ifdef AMBERLOOM_HAS_DBUS
TEST_F(AppStartOrder, APortalThatDoesNotAnswerHoldsNoFrameBackAndItsLateAnswerRepaints) {
  if (!amberloom::platform::isExecutableFile("/usr/bin/dbus-daemon")) GTEST_SKIP() << "no dbus-daemon";
  th::PrivateSessionBus bus;
  ASSERT_TRUE(bus.running());
  bus.portal().value = 1;
  bus.portal().holdsCalls = true;
  qunsetenv("AMBERLOOM_COLOR_SCHEME");

  QElapsedTimer sinceStart;
  sinceStart.start();
  amberloom::app::AmberloomApp app;
  app.showMainWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(app.mainWindow(), 3000));
  EXPECT_LT(sinceStart.elapsed(), 3000) << "the first frame came after the portal's silence";
  ASSERT_TRUE(QTest::qWaitFor([&] { return bus.portal().heldCount() > 0; }, 60000)) << "the portal was asked";
  EXPECT_EQ(ui::SystemColorScheme::instance().scheme(), ui::SystemColorScheme::Light) << "light until it answers";
  const QColor lightSurface = app.mainWindow()->color();

  bus.answerHeld();
  ASSERT_TRUE(QTest::qWaitFor([] { return ui::SystemColorScheme::instance().scheme() == ui::SystemColorScheme::Dark; }, 60000));
  EXPECT_NE(app.mainWindow()->color(), lightSurface) << "the window follows the late answer";
}
#endif

TEST_F(AppStartOrder, StoredUndoPointsAreListedOnceTheWindowHasDrawn) {
  const amberloom::SnapshotHistory history(amberloom::SnapshotHistory::defaultFolder(amberloom::platform::homeDirectory()));
  history.record(amberloom::Snapshot{}, "Before applying “Calm”", 100);
  th::writeFile(history.folder() + "/2001-01-01-000500-000.amberloom-undo.json", "{broken");

  amberloom::app::AmberloomApp app;
  EXPECT_EQ(app.root().undoPoints->count(), 0) << "nothing is read before the window";
  app.showMainWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.root().undoPoints->count() == 2; }, 60000));
  EXPECT_FALSE(app.root().undoPoints->data(app.root().undoPoints->index(1), ui::UndoPointsModel::ReadableRole).toBool());
}
