#include "PrivateSessionBus.hpp"

#ifdef AMBERLOOM_HAS_DBUS

#include <signal.h>

#include <QDBusError>
#include <QDBusVariant>
#include <string>

#include "Platform/ProcessRunner.hpp"
#include "TestHome.hpp"

namespace amberloom::testing {

namespace {

constexpr auto portalPath = "/org/freedesktop/portal/desktop";
constexpr auto settingsInterface = "org.freedesktop.portal.Settings";

QVariant wrapped(uint value) { return QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(value)))); }

}  // namespace

std::size_t PortalStandIn::heldCount() const {
  std::lock_guard lock(mutex_);
  return held_.size();
}

QDBusMessage PortalStandIn::answer(const QDBusMessage& call) const {
  const auto arguments = call.arguments();
  if (call.member() != QLatin1String("Read") || arguments.size() != 2)
    return call.createErrorReply(QDBusError::UnknownMethod, call.member());
  const bool known = arguments[0].toString() == "org.freedesktop.appearance" && arguments[1].toString() == "color-scheme";
  return call.createReply(wrapped(known ? value.load() : 0u));
}

bool PortalStandIn::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (holdsCalls) {
    std::lock_guard lock(mutex_);
    held_.push_back(message);
    return true;
  }
  // Answered from this object's thread: sending from inside the connection's own delivery stalls it.
  QMetaObject::invokeMethod(this, [this, message, connection] { connection.send(answer(message)); }, Qt::QueuedConnection);
  return true;
}

void PortalStandIn::answerHeld(const QDBusConnection& connection) {
  std::vector<QDBusMessage> calls;
  {
    std::lock_guard lock(mutex_);
    calls.swap(held_);
  }
  for (const QDBusMessage& call : calls) connection.send(answer(call));
}

QString PortalStandIn::introspect(const QString&) const { return {}; }

PrivateSessionBus::PrivateSessionBus() {
  const std::string address = "unix:path=" + home() + "/session-bus";
  const auto started = platform::runProcess("/usr/bin/dbus-daemon",
                                            {"--session", "--fork", "--address=" + address, "--print-pid=1"});
  if (!started || started->exitStatus != 0) return;
  daemon_ = std::stoi(started->standardOutput);
  qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
  connection_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QString::fromStdString(address), "portal"));
  connection_->registerVirtualObject(portalPath, &portal_, QDBusConnection::SingleNode);
  connection_->registerService("org.freedesktop.portal.Desktop");
}

PrivateSessionBus::~PrivateSessionBus() {
  if (connection_) {
    connection_->unregisterObject(portalPath);
    QDBusConnection::disconnectFromBus("portal");
  }
  if (daemon_ > 0) ::kill(daemon_, SIGTERM);
}

void PrivateSessionBus::announce(uint value) {
  portal_.value = value;
  QDBusMessage signal = QDBusMessage::createSignal(portalPath, settingsInterface, "SettingChanged");
  signal << QString("org.freedesktop.appearance") << QString("color-scheme") << QVariant::fromValue(QDBusVariant(value));
  connection_->send(signal);
}

}  // namespace amberloom::testing

#endif
