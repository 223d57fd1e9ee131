// Keys typed while work runs: held back from every window until it ends and then given to their
// windows in the order typed, where the work's screen stays usable (one setting's write); dropped
// otherwise. Clicks are dropped either way.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <future>

#include "Kit/WorkInProgress.hpp"

namespace {

// A window that writes down the keys and clicks it is given.
struct Listener : QWindow {
  QStringList heard;
  void keyPressEvent(QKeyEvent* event) override { heard << QStringLiteral("press ") + QKeySequence(event->key()).toString(); }
  void keyReleaseEvent(QKeyEvent* event) override { heard << QStringLiteral("release ") + QKeySequence(event->key()).toString(); }
  void mousePressEvent(QMouseEvent*) override { heard << QStringLiteral("click"); }
};

TEST(WorkInProgress, KeysTypedMeanwhileWaitForTheWorkOnlyWhereItsScreenStaysUsable) {
  for (const bool keysWait : {true, false}) {
    Listener window;
    window.resize(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    amberloom::ui::WorkInProgress progress;
    progress.setKeysWait(keysWait);

    std::promise<void> typed;
    std::shared_future<void> done = typed.get_future().share();
    QStringList heardMeanwhile;
    // Typed and clicked while the work waits, then the work is let go.
    QTimer::singleShot(0, [&] {
      for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) QTest::keyClick(&window, key);
      QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(50, 50));
      heardMeanwhile = window.heard;
      typed.set_value();
    });
    const int result = progress.run(QStringLiteral("Waiting"), [done] {
      done.wait();
      return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_TRUE(heardMeanwhile.isEmpty()) << heardMeanwhile.join(", ").toStdString();
    QCoreApplication::processEvents();
    const QStringList typedKeys = {"press Right", "release Right", "press Right", "release Right", "press Left", "release Left"};
    EXPECT_EQ(window.heard, keysWait ? typedKeys : QStringList()) << keysWait;
  }
}

}  // namespace
