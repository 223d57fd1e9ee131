#pragma once
// The system's colour scheme, from one place for every window. At first use it is read from
// AMBERLOOM_COLOR_SCHEME when that is set (tests use it), else it starts light and asks the
// desktop portal's "org.freedesktop.appearance" "color-scheme" setting without waiting: the
// portal is asked with an asynchronous call when a session bus is there, and its answer (within
// `portalAnswerLimit`) replaces the light start. A portal that is slow to start at login,
// or that never answers, must not hold the first window back. Without the override it follows the
// portal's later changes. Screens bind their palette to `SystemColorScheme.scheme`, so a change
// repaints every open window at once.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

#ifdef AMBERLOOM_HAS_DBUS
#include <QDBusVariant>
#endif

namespace amberloom::ui {

class SystemColorScheme : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(int scheme READ scheme NOTIFY schemeChanged)

 public:
  enum Scheme { Light, Dark };
  Q_ENUM(Scheme)

  // How long the portal's first answer is waited for (in the background) before the light start
  // stays until the portal announces a change.
  static constexpr int portalAnswerLimit = 5000;  // milliseconds

  // Takes the override, or starts light and asks the portal in the background, following it from
  // then on; waits for nothing. The application uses instance(); a test may build its own. (Not
  // default-constructible, so that QML takes the one instance from create().)
  explicit SystemColorScheme(QObject* parent);

  // The process's one instance, created on first use on the main thread.
  static SystemColorScheme& instance();
  static SystemColorScheme* create(QQmlEngine*, QJSEngine*);

  int scheme() const { return scheme_; }
  // Sets the scheme; emits schemeChanged only when it differs.
  void setScheme(Scheme scheme);

  // "dark" is Dark; any other text (other case, empty, unknown) is Light.
  static Scheme fromName(const QString& name);
  // The portal's value: 1 (prefers dark) is Dark; 0 (no preference), 2 (light) and others Light.
  static Scheme fromPortalValue(uint value);

 signals:
  void schemeChanged();

#ifdef AMBERLOOM_HAS_DBUS
 private slots:
  void portalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
#endif

 private:
  void followPortal();
  void askPortal();

  Scheme scheme_ = Light;
  // The portal announced a value before it answered the first question: that answer is older.
  bool heardChange_ = false;
};

}  // namespace amberloom::ui
