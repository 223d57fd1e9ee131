// The plain button's input: what a click, a press dragged off, the Space key (held, or with the
// focus leaving) and a disabled button do; which focus shows as the keyboard's; and the scroll bar
// drawn over a pane, which places itself and scrolls by its handle and its track.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QQuickItem>
#include <QTest>
#include <functional>

#include "ScreenWindow.hpp"

using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;

namespace {

QStringList heard(ScreenWindow& window) { return window.screen()->property("heard").toStringList(); }

void sendKey(QWindow& window, QEvent::Type type, bool autoRepeat = false) {
  QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
  QCoreApplication::sendEvent(&window, &event);
}

}  // namespace

TEST(PlainButton, ClicksOnlyForAWholeClickOrSpaceAndChecksFirst) {
  const struct Case {
    const char* what;
    const char* button;
    std::function<void(ScreenWindow&, QQuickItem*)> input;
    QStringList heard;
  } cases[] = {
      {"a click", "plain", [](ScreenWindow& w, QQuickItem* b) { QTest::mouseClick(&w.window(), Qt::LeftButton, {}, w.centreOf(b)); },
       {"plain clicked"}},
      {"a press dragged off", "plain",
       [](ScreenWindow& w, QQuickItem* b) {
         QTest::mousePress(&w.window(), Qt::LeftButton, {}, w.centreOf(b));
         QTest::mouseMove(&w.window(), w.centreOf(b) + QPoint(0, 200));
         QTest::mouseRelease(&w.window(), Qt::LeftButton, {}, w.centreOf(b) + QPoint(0, 200));
       },
       {}},
      {"Space held down", "plain",
       [](ScreenWindow& w, QQuickItem* b) {
         b->forceActiveFocus(Qt::TabFocusReason);
         sendKey(w.window(), QEvent::KeyPress);
         for (int repeat = 0; repeat < 3; ++repeat) sendKey(w.window(), QEvent::KeyPress, true);
         sendKey(w.window(), QEvent::KeyRelease);
       },
       {"plain clicked"}},
      {"Space with the focus leaving before it is let go", "plain",
       [](ScreenWindow& w, QQuickItem* b) {
         b->forceActiveFocus(Qt::TabFocusReason);
         sendKey(w.window(), QEvent::KeyPress);
         w.item("before")->forceActiveFocus(Qt::TabFocusReason);
         sendKey(w.window(), QEvent::KeyRelease);
       },
       {}},
      {"Return", "plain",
       [](ScreenWindow& w, QQuickItem* b) {
         b->forceActiveFocus(Qt::TabFocusReason);
         QTest::keyClick(&w.window(), Qt::Key_Return);
       },
       {}},
      {"a click while disabled", "plain",
       [](ScreenWindow& w, QQuickItem* b) {
         b->setEnabled(false);
         QTest::mouseClick(&w.window(), Qt::LeftButton, {}, w.centreOf(b));
       },
       {}},
      {"a click on a checkable button", "checkable",
       [](ScreenWindow& w, QQuickItem* b) { QTest::mouseClick(&w.window(), Qt::LeftButton, {}, w.centreOf(b)); },
       {"toggled true", "checkable clicked"}},
  };
  for (const Case& c : cases) {
    ScreenWindow window(testQml("PlainButtons.qml"), {400, 240});
    QQuickItem* button = window.item(c.button);
    c.input(window, button);
    EXPECT_EQ(heard(window), c.heard) << c.what;
    EXPECT_FALSE(button->property("pressed").toBool()) << c.what << ": still pressed";
  }
}

TEST(PlainButton, OnlyKeyboardFocusIsShownAndTheFocusPolicyDecidesWhoTakesIt) {
  ScreenWindow window(testQml("PlainButtons.qml"), {400, 240});
  QQuickItem* plain = window.item("plain");
  QQuickItem* clickOnly = window.item("clickOnly");

  window.item("before")->forceActiveFocus(Qt::TabFocusReason);
  QTest::keyClick(&window.window(), Qt::Key_Tab);
  ASSERT_TRUE(plain->hasActiveFocus());
  EXPECT_TRUE(plain->property("visualFocus").toBool()) << "reached with Tab";
  ASSERT_EQ(plain->childItems().size(), 1);
  EXPECT_TRUE(plain->childItems().front()->isVisible()) << "its focus ring shows";

  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(clickOnly));
  EXPECT_TRUE(clickOnly->hasActiveFocus()) << "a click focuses it";
  EXPECT_FALSE(clickOnly->property("visualFocus").toBool()) << "focused by a click";
  EXPECT_FALSE(clickOnly->activeFocusOnTab()) << "out of the Tab order";

  // Focused by a click, then handed on by a list that moves the focus itself.
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(plain));
  EXPECT_FALSE(plain->property("visualFocus").toBool());
  plain->setProperty("focusReason", int(Qt::TabFocusReason));
  EXPECT_TRUE(plain->property("visualFocus").toBool());

  plain->setProperty("focusPolicy", int(Qt::NoFocus));
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(clickOnly));
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(plain));
  EXPECT_FALSE(plain->hasActiveFocus()) << "no focus policy, no focus from a click";
  EXPECT_FALSE(plain->activeFocusOnTab()) << "out of the Tab order once the focus left";

  QTest::mouseMove(&window.window(), window.centreOf(plain));
  EXPECT_TRUE(plain->property("hovered").toBool());
  QTest::mouseMove(&window.window(), QPoint(150, 230));
  EXPECT_FALSE(plain->property("hovered").toBool());
}

TEST(PageScrollBar, PlacesItselfOverItsPaneAndScrollsByHandleAndTrack) {
  ScreenWindow window(testQml("PlainButtons.qml"), {400, 240});
  QQuickItem* pane = window.item("pane");
  QQuickItem* bar = window.item("paneBar");
  ASSERT_EQ(bar->parentItem(), pane) << "in front of the content, not scrolling with it";
  EXPECT_EQ(bar->x() + bar->width(), pane->width());
  EXPECT_EQ(bar->height(), pane->height());
  EXPECT_TRUE(bar->isVisible());

  // The handle stands for a fifth of the track: dragging it 39 points scrolls a fifth of 1,000.
  const QPoint grip = pane->mapToScene(QPointF(pane->width() - 5, 10)).toPoint();
  QTest::mousePress(&window.window(), Qt::LeftButton, {}, grip);
  for (int step = 1; step <= 3; ++step) QTest::mouseMove(&window.window(), grip + QPoint(0, 13 * step));
  QTest::mouseRelease(&window.window(), Qt::LeftButton, {}, grip + QPoint(0, 39));
  EXPECT_NEAR(pane->property("contentY").toDouble(), 199, 2);

  // A press low on the track brings the handle there; the content stops at its end.
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, pane->mapToScene(QPointF(pane->width() - 5, 198)).toPoint());
  EXPECT_EQ(pane->property("contentY").toDouble(), 800);
}
