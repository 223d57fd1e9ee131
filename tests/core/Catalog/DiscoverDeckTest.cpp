#include <gtest/gtest.h>

#include "LoadOutcome.hpp"

#include <cmath>
#include <limits>

#include "Catalog/DiscoverDeck.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Json.hpp"

using namespace amberloom;

namespace {

// A catalogue of three settings.
const SettingsCatalog& catalog() {
  static const SettingsCatalog shared = [] {
    std::vector<SettingDefinition> settings;
    for (const char* id : {"finder.path", "dock.size", "keyboard.repeat"}) {
      SettingDefinition setting;
      setting.id = id;
      setting.ref = SettingRef{"com.apple.finder", {id}, false};
      settings.push_back(setting);
    }
    return SettingsCatalog(1, 1, settings);
  }();
  return shared;
}

DiscoverDeck deckOf(const std::vector<std::string>& ids) {
  std::vector<DiscoverCard> cards;
  for (const auto& id : ids) cards.push_back({id, "hook " + id, "body " + id});
  return DiscoverDeck(cards);
}

// What a load of `json` ends in: "loaded N", the error's description, or the decoding failure.
std::string loadOutcome(const std::string& json) {
  return amberloom::testing::loadOutcome<DiscoverError>([&] { return DiscoverDeck::fromData(json, catalog()).cards().size(); });
}

std::string card(const std::string& id) { return R"({"settingID": ")" + id + R"(", "hook": "h", "body": "b"})"; }

double instant(const char* iso) { return *iso8601::parse(iso); }

}  // namespace

TEST(DiscoverDeck, LoadsCardsInFileOrderWithTheirTextsAsWritten) {
  const auto deck = DiscoverDeck::fromData(R"({"cards": [
      {"settingID": "dock.size", "hook": "  Bigger dock?", "body": "", "extra": 1},
      {"settingID": "finder.path", "hook": "Where am I?", "body": "Shows the path \/ bar."}
    ], "version": 3})",
                                           catalog());
  const std::vector<DiscoverCard> expected{{"dock.size", "  Bigger dock?", ""},
                                           {"finder.path", "Where am I?", "Shows the path / bar."}};
  EXPECT_EQ(deck.cards(), expected);
  EXPECT_EQ(deck.cards()[0].id(), "dock.size");
}

TEST(DiscoverDeck, AFaultyFileFailsWholeWithTheFirstFault) {
  struct Case {
    const char* name;
    std::string json;
    std::string outcome;
  };
  const std::vector<Case> cases{
      {"empty card list is a valid empty deck", R"({"cards": []})", "loaded 0"},
      {"second card repeats the first card's setting",
       "{\"cards\": [" + card("dock.size") + "," + card("dock.size") + "]}", R"(duplicateCard("dock.size"))"},
      {"third card names a setting the catalogue lacks, first two good",
       "{\"cards\": [" + card("dock.size") + "," + card("finder.path") + "," + card("dock.gone") + "]}",
       R"(unknownSetting("dock.gone"))"},
      {"the earliest faulty card wins", "{\"cards\": [" + card("x.unknown") + "," + card("dock.size") + "," +
                                            card("dock.size") + "]}",
       R"(unknownSetting("x.unknown"))"},
      {"a decoding fault in a later card wins over an unknown setting before it",
       "{\"cards\": [" + card("x.unknown") + R"(, {"settingID": "dock.size", "hook": "h"}]})",
       "decoding keyNotFound at /cards/Index 1"},
      {"no cards key", R"({"deck": []})", "decoding keyNotFound at "},
      {"cards is null", R"({"cards": null})", "decoding valueNotFound at /cards"},
      {"a hook is a number", R"({"cards": [{"settingID": "dock.size", "hook": 3, "body": "b"}]})",
       "decoding typeMismatch at /cards/Index 0/hook"},
      {"the document is not JSON", R"({"cards": [)", "decoding dataCorrupted at "},
  };
  for (const auto& c : cases) EXPECT_EQ(loadOutcome(c.json), c.outcome) << c.name;
}

TEST(DiscoverDeck, CardOfTheDayWalksThePoolOfUnseenCardsAndWraps) {
  const auto deck = deckOf({"first", "second", "third"});
  struct Case {
    std::int64_t day;
    std::set<std::string> seen;
    std::string expected;
  };
  const std::set<std::string> none;
  const std::vector<Case> cases{
      {0, none, "first"},
      {1, none, "second"},
      {2, none, "third"},
      {3, none, "first"},
      {-1, none, "third"},
      {-3, none, "first"},
      {std::numeric_limits<std::int64_t>::min(), none, "second"},
      // A dismissed card leaves the pool.
      {0, {"second"}, "first"},
      {1, {"second"}, "third"},
      {2, {"second"}, "first"},
      {5, {"first", "third"}, "second"},
      // Every card seen: the deck starts over, as if nothing were seen.
      {1, {"first", "second", "third"}, "second"},
      {2, {"first", "second", "third", "elsewhere"}, "third"},
      // Ids belonging to no card change nothing.
      {1, {"elsewhere", "nowhere"}, "second"},
  };
  for (const auto& c : cases) {
    const auto shown = deck.card(c.day, c.seen);
    ASSERT_TRUE(shown) << "day " << c.day;
    EXPECT_EQ(shown->settingID, c.expected) << "day " << c.day << ", " << c.seen.size() << " seen";
    EXPECT_EQ(shown->hook, "hook " + c.expected);
  }
}

TEST(DiscoverDeck, AnEmptyDeckNeverShowsACard) {
  const DiscoverDeck empty;
  for (std::int64_t day : {std::int64_t{-5}, std::int64_t{0}, std::int64_t{1}, std::int64_t{19000}})
    EXPECT_FALSE(empty.card(day, {}));
  EXPECT_FALSE(empty.card(0, {"first"}));
}

TEST(DiscoverDeck, TheCardStaysTheSameAllDayLongAndChangesAtMidnightUtc) {
  const auto deck = deckOf({"first", "second", "third"});
  const auto cardAt = [&](const char* iso) { return deck.card(DiscoverDeck::dayNumber(instant(iso)), {})->settingID; };
  const auto morning = cardAt("2024-03-05T00:00:00Z");
  EXPECT_EQ(cardAt("2024-03-05T12:00:00Z"), morning);
  EXPECT_EQ(cardAt("2024-03-05T23:59:59.999Z"), morning);
  // Local midnight elsewhere does not turn the card; UTC midnight does.
  EXPECT_EQ(cardAt("2024-03-06T00:30:00+01:00"), morning);
  EXPECT_NE(cardAt("2024-03-06T00:00:00Z"), morning);
  EXPECT_EQ(cardAt("2024-03-05T23:30:00-05:00"), cardAt("2024-03-06T00:00:00Z"));
}

TEST(DiscoverDeck, DayNumbersCountWholeUtcDaysSince1970TruncatedTowardZero) {
  struct Case {
    const char* instant;
    std::int64_t day;
  };
  const std::vector<Case> cases{
      {"1970-01-01T00:00:00Z", 0},         {"1970-01-01T23:59:59Z", 0},  {"1970-01-02T00:00:00Z", 1},
      {"1969-12-31T12:00:00Z", 0},         {"1969-12-30T12:00:00Z", -1}, {"2001-01-01T00:00:00Z", 11323},
      {"2024-03-05T23:59:59+02:00", 19787},
  };
  for (const auto& c : cases) EXPECT_EQ(DiscoverDeck::dayNumber(instant(c.instant)), c.day) << c.instant;
}

TEST(DiscoverDeck, ATimeNoDayNumberCanHoldSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(DiscoverDeck::dayNumber(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(DiscoverDeck::dayNumber(-1e300), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(DiscoverDeck::dayNumber(std::nan("")), 0);
}

TEST(DiscoverDeck, TheBuiltInDeckNamesOnlySettingsOfTheBuiltInCatalogue) {
  const auto builtIn = SettingsCatalog::bundled();
  const auto deck = DiscoverDeck::bundled(builtIn);  // throws unknownSetting or duplicateCard otherwise
  EXPECT_FALSE(deck.cards().empty());
  EXPECT_TRUE(deck.card(DiscoverDeck::dayNumber(iso8601::now()), {}));
}
