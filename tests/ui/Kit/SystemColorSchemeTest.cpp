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
  ASSERT_TRUE(QTest::qWaitFor([&] { return followed.scheme() == SystemColorScheme::Dark; }));  // read at start

  // The portal's later announcements: a change of the user's mind repaints, the same value again does not.
  QSignalSpy changes(&followed, &SystemColorScheme::schemeChanged);
  for (const auto& [announced, expected] :
       {std::pair{0u, SystemColorScheme::Light}, std::pair{1u, SystemColorScheme::Dark},
        std::pair{1u, SystemColorScheme::Dark}, std::pair{2u, SystemColorScheme::Light}}) {
    bus.announce(announced);
    EXPECT_TRUE(QTest::qWaitFor([&] { return followed.scheme() == expected; })) << announced;
  }
  EXPECT_EQ(changes.count(), 3) << "an announcement of the same value changes nothing";

  // The override wins, and anything but "dark" is light.
  for (const auto& [override, portalValue, expected] :
       {std::tuple{"dark", 2u, SystemColorScheme::Dark}, std::tuple{"bogus", 1u, SystemColorScheme::Light}}) {
    bus.portal().value = portalValue;
    qputenv("AMBERLOOM_COLOR_SCHEME", override);
    EXPECT_EQ(SystemColorScheme(nullptr).scheme(), expected) << override;
  }
}

#endif
