#pragma once
// What a screen under heavy content still holds to: the items that matter inside the window, no
// two of them on top of each other, every text as typed and within its box.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTextDocument>
#include <functional>
#include <vector>

namespace amberloom::testing {

inline QRectF sceneRect(const QQuickItem* item) { return item->mapRectToScene(QRectF(QPointF(), item->size())); }

// Sharing an edge is not overlapping.
inline void expectInsideAndApart(const std::vector<const QQuickItem*>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const QRectF shown = sceneRect(items[i]);
    EXPECT_TRUE(QRectF(QPointF(), items[i]->window()->size()).adjusted(-0.5, -0.5, 0.5, 0.5).contains(shown))
        << items[i]->objectName().toStdString() << " lies outside the window";
    for (std::size_t j = i + 1; j < items.size(); ++j)
      EXPECT_FALSE(shown.adjusted(0.5, 0.5, -0.5, -0.5).intersects(sceneRect(items[j])))
          << items[i]->objectName().toStdString() << " overlaps " << items[j]->objectName().toStdString();
  }
}

// Every text shown below `root` (dialogs too, when `root` is the window's content item) is drawn
// as the characters it holds, never as markup Qt reads into it, and none runs out of its own box.
inline void expectTextsAsTypedAndWithinTheirBoxes(const QQuickItem* root) {
  if (!root->isVisible()) return;
  if (root->inherits("QQuickText") && root->width() > 0) {
    const QString text = root->property("text").toString();
    const int format = root->property("textFormat").toInt();
    EXPECT_TRUE(format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        << "read as markup: " << text.toStdString();
    EXPECT_LE(root->property("contentWidth").toReal(), root->width() + 1) << "runs past its box: " << text.toStdString();
    EXPECT_LE(root->property("contentHeight").toReal(), root->height() + 1) << "runs below its box: " << text.toStdString();
  }
  for (const QQuickItem* child : root->childItems()) expectTextsAsTypedAndWithinTheirBoxes(child);
}

// Runs `step` and has the window draw what follows from it (how long that takes is the catalogue
// window benchmark's to say).
inline void drawAfter(QQuickWindow& window, const std::function<void()>& step) {
  step();
  QCoreApplication::processEvents();  // the models' queued updates
  window.grabWindow();
}

}  // namespace amberloom::testing
