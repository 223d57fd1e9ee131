// The floor of the start benchmark: a program of its own that shows an empty QQuickView of the
// main window's size and links nothing but Qt Quick. Prints the monotonic clock when the window is
// first exposed ("mapped") and when it first drew ("painted"), then ends at once.

#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QQuickView>
#include <chrono>
#include <cstdio>

namespace {

double now() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class ExposureClock : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !printed_) {
      printed_ = true;
      std::printf("mapped %.3f\n", now());
    }
    return false;
  }

 private:
  bool printed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  QQuickView view;
  ExposureClock clock;
  view.installEventFilter(&clock);
  QObject::connect(
      &view, &QQuickWindow::frameSwapped, &view,
      [] {
        std::printf("painted %.3f\n", now());
        std::fflush(nullptr);
        _exit(0);
      },
      Qt::DirectConnection);
  view.resize(980, 700);
  view.show();
  return QGuiApplication::exec();
}
