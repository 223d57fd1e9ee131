// A Mac is shown by a name a user can read: a name another Mac or the account server hands over
// with nothing in it to see reads "Unnamed Mac", and a Mac without any name is shown by its id.

#include <gtest/gtest.h>

#include "Backup/BackupEnvelope.hpp"
#include "Sync/SyncDocument.hpp"

using namespace amberloom;

TEST(DeviceName, ANameThatShowsNothingReadsUnnamedAndNoNameAtAllTheId) {
  struct Case {
    std::optional<std::string> name;
    std::string shown;
  };
  const std::vector<Case> cases{
      {"Studio", "Studio"},
      {" Studio ", " Studio "},                       // a name with something in it stays as it is
      {"", "Unnamed Mac"},
      {" \t\n", "Unnamed Mac"},
      {"\u00A0\u3000\u200B\u2060\uFEFF", "Unnamed Mac"},  // no-break, ideographic and zero-width spaces
      {"\x01\x7F", "Unnamed Mac"},                    // control characters draw nothing either
      {"\u200BA", "\u200BA"},
      {std::string("\xFF\xFE", 2), std::string("\xFF\xFE", 2)},  // not UTF-8: its bytes show somehow
      {std::nullopt, "A0A0A0A0-0000-0000-0000-000000000001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.value_or("(none)"));
    EXPECT_EQ(shownDeviceName(c.name, "A0A0A0A0-0000-0000-0000-000000000001"), c.shown);
    // Backups and sync documents name their Mac the same way.
    EXPECT_EQ((BackupEnvelope{"A0A0A0A0-0000-0000-0000-000000000001", c.name, std::nullopt, std::nullopt, {}}.displayName()),
              c.shown);
    EXPECT_EQ((SyncDocument{"A0A0A0A0-0000-0000-0000-000000000001", c.name, {}}.displayName()), c.shown);
  }
}
