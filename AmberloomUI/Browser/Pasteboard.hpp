#pragma once
// The system clipboard as the screens use it: copying one plain text. Screens take a Pasteboard
// as a property, so a test can hand them one that records instead.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class Pasteboard : public QObject {
  Q_OBJECT
  QML_ELEMENT

 public:
  explicit Pasteboard(QObject* parent = nullptr) : QObject(parent) {}

  // Empties the clipboard and puts `text` on it as plain text, the only content.
  Q_INVOKABLE virtual void copy(const QString& text);
};

}  // namespace amberloom::ui
