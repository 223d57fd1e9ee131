#pragma once
// Qt's own dialogs (QtQuick.Dialogs: file, folder, colour and message dialogs) as the screens
// make them. Where no desktop dialog helper answers (always so on a bare X server or over VNC),
// Qt draws its own dialog in QML, compiled only when the dialog first opens; when those files or a
// module they import are missing, Qt 6.4 fails inside open() and takes the process with it. So
// screens make each dialog through `make`, which first compiles Qt's implementation of its kind:
// when that or the screen's own component fails, nothing is made and `failure` says why, for the
// screen to show in an alert of its own instead. Also the local paths such dialogs hand back.

#include <QObject>
#include <QQmlComponent>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QQmlEngine;

namespace amberloom::ui {

class SystemDialogs : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

 public:
  enum Kind { FileDialog, FolderDialog, ColorDialog, MessageDialog };
  Q_ENUM(Kind)

  explicit SystemDialogs(QObject* parent = nullptr) : QObject(parent) {}

  // Empty when Qt can make its dialog of `kind` in `engine` (its QML implementation compiles with
  // everything it imports); otherwise the compiler's errors.
  static QString unavailable(QQmlEngine& engine, Kind kind);

  // The object of `component` with `properties`, owned by `parent`: a dialog of `kind` or an object
  // holding one. Null when Qt's dialog of that kind cannot be made or `component` fails; `failure`
  // then says why.
  Q_INVOKABLE QObject* make(QQmlComponent* component, amberloom::ui::SystemDialogs::Kind kind, QObject* parent,
                            const QVariantMap& properties = {});
  // Why the last `make` made nothing; empty after one that made its object.
  QString failure() const { return failure_; }

  // Readies Qt's own dialog that `dialog`'s open() has just shown in its window: the path bar of
  // the file and folder dialogs, which Qt 6.4 paints white whatever the palette, takes the
  // palette's base colour; and a save dialog gets `proposedName` in its file-name field (Qt 6.4
  // takes a proposed name only when such a file exists already), selected and focused, with Return
  // in that field saving, as in a save panel; a message dialog shows its texts as typed, never as
  // markup (an error names a path the user typed). Does nothing for a desktop's dialog.
  Q_INVOKABLE static void readyOpened(QObject* dialog, const QString& proposedName = {});

  // A "file:" address or a plain absolute path (Qt 6.4's save and folder dialogs hand back the
  // latter) as a local path; none for anything else.
  static std::optional<QString> localPath(const QUrl& location);
  // Whether something stands at the local place `location` names.
  Q_INVOKABLE bool exists(const QUrl& location) const;
  // The user's home folder, as a "file:" address.
  Q_INVOKABLE QUrl homeFolder() const;

 signals:
  void failureChanged();

 private:
  void setFailure(const QString& failure);
  QString failure_;
};

}  // namespace amberloom::ui
