#pragma once
// The system's colour scheme, from one place for every window. At first use it is read from
// AMBERLOOM_COLOR_SCHEME when that is set (tests use it), else from the desktop portal's
// "org.freedesktop.appearance" "color-scheme" setting when a session bus answers, else light.
// Without the override it follows the portal's later changes. Screens bind their palette to
// `SystemColorScheme.scheme`, so a change repaints every open window at once.

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

  // Reads the scheme now, as the header says, and follows the portal from then on. The
  // application uses instance(); a test may build its own. (Not default-constructible, so that
  // QML takes the one instance from create().)
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

  Scheme scheme_ = Light;
};

}  // namespace amberloom::ui
