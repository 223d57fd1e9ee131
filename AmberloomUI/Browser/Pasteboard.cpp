#include "Browser/Pasteboard.hpp"

#include <QClipboard>
#include <QGuiApplication>

namespace amberloom::ui {

void Pasteboard::copy(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(text);
}

}  // namespace amberloom::ui
