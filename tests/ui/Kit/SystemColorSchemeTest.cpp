// The system colour scheme read from the desktop portal over a private session bus, the
// override that beats it, and the portal's later changes.

#include <gtest/gtest.h>

#ifdef AMBERLOOM_HAS_DBUS

#include <QSignalSpy>
#include <QTest>

#include "Kit/SystemColorScheme.hpp"
#include "Platform/ProcessRunner.hpp"
#include "PrivateSessionBus.hpp"

using amberloom::ui::SystemColorScheme;

TEST(SystemColorScheme, followsTheDesktopPortalUnlessTheEnvironmentOverridesIt) {
  if (!amberloom::platform::isExecutableFile("/usr/bin/dbus-daemon")) GTEST_SKIP() << "no dbus-daemon";
  amberloom::testing::PrivateSessionBus bus;
  ASSERT_TRUE(bus.running());
  bus.portal().value = 1;

  qunsetenv("AMBERLOOM_COLOR_SCHEME");
  SystemColorScheme followed(nullptr);
  QTRY_COMPARE(followed.scheme(), int(SystemColorScheme::Dark));  // read at start

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

#endif
