#pragma once
// The plural rule of the fixed texts (see `localized`), for the views: a QML screen passes a key
// written for several, already looked up with qsTr, and the count.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class CountText : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  explicit CountText(QObject* parent = nullptr) : QObject(parent) {}

  // `text` with each "%lld" replaced by `count`, the words after a count of one in the singular.
  Q_INVOKABLE static QString of(const QString& text, double count);
};

}  // namespace amberloom::ui
