#pragma once
// What the account page says about when a Mac was last seen: "last seen " and how long ago, in
// the largest whole unit that fits, spelled out ("last seen 3 hours ago", "last seen in 2 minutes"
// for a time ahead of this Mac's clock).

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <string>

#include "Kit/MacName.hpp"

namespace amberloom::ui {

// "last seen " and the phrase for `lastSeenAt` relative to `now` (both seconds since the
// reference date).
QString lastSeenText(double lastSeenAt, double now);

class AccountTexts : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  using QObject::QObject;
  // Relative to the current time.
  Q_INVOKABLE static QString lastSeen(double lastSeenAt);
};

}  // namespace amberloom::ui
