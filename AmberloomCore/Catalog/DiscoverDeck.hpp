#pragma once
// The discover deck: tip cards, each pointing at one catalogue setting with a hook line and a
// body. Loaded from the built-in "discover_cards" resource and checked whole against a catalogue:
// a faulty file gives an error, never a partial deck. Immutable once built; stores nothing.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Catalog/DiscoverCard.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

class SettingsCatalog;

class DiscoverError : public DescribedError {
 public:
  enum class Case { unknownSetting, duplicateCard };

  // unknownSetting("id"): the card's setting is not in the catalogue.
  static DiscoverError unknownSetting(std::string settingID);
  // duplicateCard("id"): an earlier card already uses this setting.
  static DiscoverError duplicateCard(std::string settingID);

  Case errorCase() const { return case_; }
  const std::string& settingID() const { return settingID_; }
  bool operator==(const DiscoverError& other) const {
    return case_ == other.case_ && settingID_ == other.settingID_;
  }

 private:
  DiscoverError(Case c, std::string settingID, const std::string& description)
      : DescribedError(description), case_(c), settingID_(std::move(settingID)) {}
  Case case_;
  std::string settingID_;
};

class DiscoverDeck {
 public:
  DiscoverDeck() = default;
  // Takes the cards as given, unchecked.
  explicit DiscoverDeck(std::vector<DiscoverCard> cards) : cards_(std::move(cards)) {}

  // Reads a deck file and checks it against the catalogue. Throws DecodingError (the whole
  // document is decoded before any check), then DiscoverError for the first faulty card in file
  // order: an unknown setting before a repeated one.
  static DiscoverDeck fromData(std::string_view bytes, const SettingsCatalog& catalog);
  // The built-in "discover_cards" resource; a missing resource throws ResourceError unchanged.
  static DiscoverDeck bundled(const SettingsCatalog& catalog);

  const std::vector<DiscoverCard>& cards() const { return cards_; }

  // The card for a day number, skipping cards whose setting id is in `seen`; once every card has
  // been seen the whole deck is the pool again. Cards follow one another a day at a time in deck
  // order and wrap around (negative days count back from the end). None only for an empty deck.
  std::optional<DiscoverCard> card(std::int64_t on, const std::set<std::string>& seen) const;

  // Whole days since 1970-01-01T00:00:00Z, truncated toward zero: the number changes at midnight
  // UTC whatever the user's time zone. Takes seconds since the 2001 reference date.
  static std::int64_t dayNumber(double secondsSinceReferenceDate);

 private:
  std::vector<DiscoverCard> cards_;
};

}  // namespace amberloom
