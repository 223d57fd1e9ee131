#include "Kit/SystemColorScheme.hpp"

#include <QQmlEngine>

#include "Kit/Logging.hpp"

#ifdef AMBERLOOM_HAS_DBUS
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
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
  // The bus itself is the process's own connection to a local daemon: reaching it, or finding it
  // gone, takes no time worth a worker (and its signals are heard only by a connection made here).
  // Only the portal behind it may be slow to answer, and nothing waits for it.
  if (QDBusConnection::sessionBus().isConnected()) askPortal();
#endif
}

void SystemColorScheme::askPortal() {
#ifdef AMBERLOOM_HAS_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  // Listening first, so that no change made while the question is out goes unheard. A plain call
  // rather than an interface object: making one asks the portal to describe itself, and waits.
  // Qt finds the slot's D-Bus types by their names, and knows QDBusVariant's name only once the
  // type is registered (the first variant it decodes does that, here too late): before that it
  // refuses the connection, with no error, and every later change would go unheard.
  qRegisterMetaType<QDBusVariant>();
  if (!bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
                   SLOT(portalSettingChanged(QString, QString, QDBusVariant))))
    qCWarning(lcKit) << "The desktop's later colour scheme changes will not be followed:"
                     << bus.lastError().message();
  QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, "Read");
  read << QString(appearanceGroup) << QString(colorSchemeKey);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, portalAnswerLimit), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
    answered->deleteLater();
    const QDBusMessage reply = answered->reply();
    if (heardChange_ || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    setScheme(fromPortalValue(unwrapped(reply.arguments().first())));
  });
#endif
}

#ifdef AMBERLOOM_HAS_DBUS
void SystemColorScheme::portalSettingChanged(const QString& group, const QString& key,
                                             const QDBusVariant& value) {
  if (group != appearanceGroup || key != colorSchemeKey) return;
  heardChange_ = true;
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
