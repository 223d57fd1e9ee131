#include <gtest/gtest.h>

#include "Version.hpp"

using amberloom::Version;

TEST(Version, MissingComponentsReadAsZero) {
  EXPECT_EQ(*Version::parse("14"), *Version::parse("14.0.0"));
  EXPECT_GT(*Version::parse("14.0.1"), *Version::parse("14"));
  EXPECT_GT(*Version::parse("14.10"), *Version::parse("14.9"));
}
