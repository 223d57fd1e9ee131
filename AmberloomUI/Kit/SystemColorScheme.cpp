#include "Kit/SystemColorScheme.hpp"

#include <QQmlEngine>

#ifdef AMBERLOOM_HAS_DBUS
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#endif

namespace amberloom::ui {

#ifdef AMBERLOOM_HAS_DBUS
namespace {

constexpr auto portalService = "org.freedesktop.portal.Desktop";
constexpr auto portalPath = "/org/freedesktop/portal/desktop";
constexpr auto settingsInterface = "org.freedesktop.portal.Settings";
constexpr auto appearanceGroup = "org.freedesktop.appearance";
constexpr auto colorSchemeKey = "color-scheme";

// The portal wraps its answer in one or two variants.
uint unwrapped(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
  return value.toUInt();
}

}  // namespace
#endif

SystemColorScheme::SystemColorScheme(QObject* parent) : QObject(parent) {
  const QString override = qEnvironmentVariable("AMBERLOOM_COLOR_SCHEME");
  if (!override.isEmpty())
    scheme_ = fromName(override);
  else
    followPortal();
}

void SystemColorScheme::followPortal() {
#ifdef AMBERLOOM_HAS_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusInterface settings(portalService, portalPath, settingsInterface, bus);
  settings.setTimeout(1000);
  const QDBusMessage reply = settings.call("Read", QString(appearanceGroup), QString(colorSchemeKey));
  if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
    scheme_ = fromPortalValue(unwrapped(reply.arguments().first()));
  bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
              SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
#endif
}

#ifdef AMBERLOOM_HAS_DBUS
void SystemColorScheme::portalSettingChanged(const QString& group, const QString& key,
                                             const QDBusVariant& value) {
  if (group == appearanceGroup && key == colorSchemeKey)
    setScheme(fromPortalValue(unwrapped(QVariant::fromValue(value))));
}
#endif

SystemColorScheme& SystemColorScheme::instance() {
  // Never destroyed: it may hold a bus connection that is gone by the time statics are.
  static auto* scheme = new SystemColorScheme(nullptr);
  return *scheme;
}

SystemColorScheme* SystemColorScheme::create(QQmlEngine*, QJSEngine*) {
  QJSEngine::setObjectOwnership(&instance(), QJSEngine::CppOwnership);
  return &instance();
}

void SystemColorScheme::setScheme(Scheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  emit schemeChanged();
}

SystemColorScheme::Scheme SystemColorScheme::fromName(const QString& name) {
  return name == QLatin1String("dark") ? Dark : Light;
}

SystemColorScheme::Scheme SystemColorScheme::fromPortalValue(uint value) { return value == 1 ? Dark : Light; }

}  // namespace amberloom::ui
