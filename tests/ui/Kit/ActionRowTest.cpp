// The action row as a user meets it: which sentence it shows, what its button does, how it
// answers the pointer, and how a long explanation wraps beside the button.

#include <gtest/gtest.h>

#include <QQuickItem>
#include <QTest>

#include "ScreenWindow.hpp"

using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;

namespace {

QQuickItem* part(const QQuickItem* row, const char* name) {
  auto* found = row->findChild<QQuickItem*>(name);
  if (!found) throw std::runtime_error(std::string("no ") + name);
  return found;
}

QString secondLineOf(const QQuickItem* row) { return part(row, "secondLine")->property("text").toString(); }

}  // namespace

TEST(ActionRow, showsTheDisabledReasonOnlyWhileDisabledAndGiven) {
  ScreenWindow window(testQml("ActionRows.qml"), {600, 700});
  const std::pair<const char*, const char*> rows[] = {
      {"enabledWithReason", "Each one is written and then read back."},
      {"disabledWithReason", "Nothing ticked yet."},
      {"disabledWithoutReason", "Each one is written and then read back."},
  };
  for (const auto& [row, shown] : rows) EXPECT_EQ(secondLineOf(window.item(row)), shown) << row;
}

TEST(ActionRow, onlyAnEnabledRowsButtonRunsTheActionOncePerPress) {
  ScreenWindow window(testQml("ActionRows.qml"), {600, 700});
  for (const char* row : {"enabledWithReason", "disabledWithReason"})
    QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(part(window.item(row), "actionButton")));
  EXPECT_EQ(window.screen()->property("enabledPresses").toInt(), 1);
  EXPECT_EQ(window.screen()->property("disabledPresses").toInt(), 0);
}

TEST(ActionRow, hoveringTintsAnEnabledRowOnlyWhileThePointerIsOverIt) {
  ScreenWindow window(testQml("ActionRows.qml"), {600, 700});
  QQuickItem* enabled = window.item("enabledWithReason");
  QQuickItem* disabled = window.item("disabledWithReason");
  const auto tint = [](QQuickItem* row) { return part(row, "hoverTint")->opacity(); };
  // The row's inset counts: a point inside the padding, left of the symbol.
  const QPoint insideInset = enabled->mapToScene({4, 4}).toPoint();

  QTest::mouseMove(&window.window(), insideInset);
  EXPECT_TRUE(QTest::qWaitFor([&] { return qFuzzyCompare(1 + tint(enabled), 1 + 0.045); })) << tint(enabled);
  QTest::mouseMove(&window.window(), window.centreOf(disabled));
  EXPECT_TRUE(QTest::qWaitFor([&] { return qFuzzyCompare(1 + tint(enabled), 1 + 0.0); })) << tint(enabled);
  QTest::qWait(200);
  EXPECT_EQ(tint(disabled), 0.0);
  EXPECT_TRUE(disabled->property("isHovered").toBool());
}

TEST(ActionRow, aLongExplanationWrapsAndTheButtonKeepsTheTrailingEdge) {
  ScreenWindow window(testQml("ActionRows.qml"), {600, 700});
  QQuickItem* longRow = window.item("longExplanation");
  QQuickItem* shortRow = window.item("enabledWithReason");
  for (QQuickItem* row : {longRow, shortRow}) {
    const QQuickItem* button = part(row, "actionButton");
    const QQuickItem* text = part(row, "secondLine");
    const QRectF buttonInRow = button->mapRectToItem(row, QRectF(0, 0, button->width(), button->height()));
    const QRectF textInRow = text->mapRectToItem(row, QRectF(0, 0, text->width(), text->height()));
    EXPECT_DOUBLE_EQ(buttonInRow.right(), row->width() - 16) << row->objectName().toStdString();
    EXPECT_GE(buttonInRow.left() - textInRow.right(), 12) << row->objectName().toStdString();
    EXPECT_NEAR(button->width(), button->implicitWidth(), 1) << "the button keeps its size";
  }
  EXPECT_GT(part(longRow, "secondLine")->property("lineCount").toInt(), 1);
  EXPECT_GT(longRow->height(), shortRow->height());
}
