#pragma once
// Work the catalogue's first frame would do itself, done ahead in small steps while the main thread
// would otherwise wait for the engine's loader thread to compile the root view. Each step fills a
// cache of Qt's that the first screen then reads, for this thread: a font's engine, or the shaping
// of a first line set in it. A step that is never reached costs nothing: the screen does that work
// itself, as without it.

#include <QFont>
#include <QList>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

namespace amberloom::app {

class StartupWarmUp : public QObject {
 public:
  explicit StartupWarmUp(QObject* parent = nullptr);

  // The fonts the catalogue's first screen sets its text in, in the order it first needs them:
  // the sidebar's rows, its section headings and counts, the cards' titles and summaries, the
  // tool bar, the tip of the day, the info buttons' mark and a restart line.
  static QList<QFont> firstScreenFonts();

  // Two steps for `font`: its engine, then a line set in it.
  void addFont(const QFont& font);
  // Runs the steps one per turn of the event loop, so that no answer from the loader thread waits
  // behind more than one of them, until they are all done or pause() is called.
  void resume();
  void pause();
  bool isDone() const { return steps_.empty(); }

 private:
  void runNext();

  std::deque<std::function<void()>> steps_;
  QTimer timer_;
};

}  // namespace amberloom::app
