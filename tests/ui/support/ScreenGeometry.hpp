#pragma once
// What a screen under heavy content must still hold to: every item that matters inside the
// window, no two of them on top of each other, and each step done within a frame or two.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QQuickWindow>
#include <vector>

namespace amberloom::testing {

inline QRectF sceneRect(const QQuickItem* item) {
  return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

// Each item lies wholly inside its window; no two overlap (sharing an edge is not overlapping).
inline void expectInsideAndApart(const std::vector<const QQuickItem*>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const QRectF shown = sceneRect(items[i]);
    const QRectF window(QPointF(0, 0), items[i]->window()->size());
    EXPECT_TRUE(window.adjusted(-0.5, -0.5, 0.5, 0.5).contains(shown))
        << items[i]->objectName().toStdString() << " lies outside the window";
    for (std::size_t j = i + 1; j < items.size(); ++j)
      EXPECT_FALSE(shown.adjusted(0.5, 0.5, -0.5, -0.5).intersects(sceneRect(items[j])))
          << items[i]->objectName().toStdString() << " overlaps " << items[j]->objectName().toStdString();
  }
}

// How long `step` takes until the window has drawn its outcome, in milliseconds.
template <typename Step>
qint64 millisecondsUntilDrawn(QQuickWindow& window, Step step) {
  QElapsedTimer timer;
  timer.start();
  step();
  QCoreApplication::processEvents();  // updates the models queued
  window.grabWindow();
  return timer.elapsed();
}

// A frame or two of the optimised build, allowing for the sanitized build on a busy machine: the
// heavy steps the tests time take 100 to 200 ms there, and took 3 to 5 seconds when they froze.
constexpr qint64 kAFrameOrTwoUnderLoad = 800;

}  // namespace amberloom::testing
