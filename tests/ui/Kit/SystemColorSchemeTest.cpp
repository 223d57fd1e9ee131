// The system colour scheme read from the desktop portal over a private session bus, the
// override that beats it, and the portal's later changes.

#include <gtest/gtest.h>

#ifdef AMBERLOOM_HAS_DBUS

#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QThread>
#include <QTest>
#include <string>

#include "Kit/SystemColorScheme.hpp"
#include "Platform/ProcessRunner.hpp"
#include "TestHome.hpp"

using amberloom::ui::SystemColorScheme;

namespace {

constexpr auto portalPath = "/org/freedesktop/portal/desktop";
constexpr auto settingsInterface = "org.freedesktop.portal.Settings";

// The portal's settings interface, answering "color-scheme" with `value` as the portal does
// (a variant inside a variant).
class FakePortal : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

 public:
  std::atomic<uint> value = 0;

 public slots:
  QDBusVariant Read(const QString& group, const QString& key) {
    const bool known = group == "org.freedesktop.appearance" && key == "color-scheme";
    return QDBusVariant(QVariant::fromValue(QDBusVariant(known ? value.load() : 0u)));
  }
};

// A session bus of the test's own, with the fake portal answering on it from a thread of its own
// (a blocking call from the main thread must find it free).
class PrivateBus {
 public:
  PrivateBus() {
    const std::string address = "unix:path=" + amberloom::testing::home() + "/session-bus";
    const auto started = amberloom::platform::runProcess(
        "/usr/bin/dbus-daemon", {"--session", "--fork", "--address=" + address, "--print-pid=1"});
    if (!started || started->exitStatus != 0) return;
    daemon_ = std::stoi(started->standardOutput);
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
    thread_.start();
    portal_.moveToThread(&thread_);
    connection_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QString::fromStdString(address), "portal"));
    connection_->registerObject(portalPath, &portal_, QDBusConnection::ExportAllSlots);
    connection_->registerService("org.freedesktop.portal.Desktop");
  }
  ~PrivateBus() {
    if (connection_) connection_->unregisterObject(portalPath);
    // Only the portal's own thread may hand it back.
    QThread* here = QThread::currentThread();
    if (thread_.isRunning())
      QMetaObject::invokeMethod(&portal_, [this, here] { portal_.moveToThread(here); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    if (daemon_ > 0) ::kill(daemon_, SIGTERM);
  }

  bool running() const { return daemon_ > 0 && connection_ && connection_->isConnected(); }
  FakePortal& portal() { return portal_; }
  // Announces a new "color-scheme" value, as the portal does when the user changes it.
  void announce(uint value) {
    portal_.value = value;
    QDBusMessage signal = QDBusMessage::createSignal(portalPath, settingsInterface, "SettingChanged");
    signal << QString("org.freedesktop.appearance") << QString("color-scheme")
           << QVariant::fromValue(QDBusVariant(value));
    connection_->send(signal);
  }

 private:
  pid_t daemon_ = -1;
  QThread thread_;
  FakePortal portal_;
  std::unique_ptr<QDBusConnection> connection_;
};

}  // namespace

TEST(SystemColorScheme, followsTheDesktopPortalUnlessTheEnvironmentOverridesIt) {
  if (!amberloom::platform::isExecutableFile("/usr/bin/dbus-daemon")) GTEST_SKIP() << "no dbus-daemon";
  PrivateBus bus;
  ASSERT_TRUE(bus.running());
  bus.portal().value = 1;

  qunsetenv("AMBERLOOM_COLOR_SCHEME");
  SystemColorScheme followed(nullptr);
  EXPECT_EQ(followed.scheme(), SystemColorScheme::Dark) << "read at start";

  QSignalSpy changes(&followed, &SystemColorScheme::schemeChanged);
  bus.announce(2);
  QTRY_COMPARE(followed.scheme(), int(SystemColorScheme::Light));
  bus.announce(2);
  bus.announce(1);
  QTRY_COMPARE(followed.scheme(), int(SystemColorScheme::Dark));
  EXPECT_EQ(changes.count(), 2) << "an announcement of the same value changes nothing";

  // The override wins, and anything but "dark" is light.
  for (const auto& [override, portalValue, expected] :
       {std::tuple{"dark", 2u, SystemColorScheme::Dark}, std::tuple{"bogus", 1u, SystemColorScheme::Light}}) {
    bus.portal().value = portalValue;
    qputenv("AMBERLOOM_COLOR_SCHEME", override);
    EXPECT_EQ(SystemColorScheme(nullptr).scheme(), expected) << override;
  }
}

#include "SystemColorSchemeTest.moc"

#endif
