#include "Catalog/DiscoverDeck.hpp"

#include <cmath>
#include <limits>
#include <unordered_set>

#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/BundledResource.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Json.hpp"

namespace amberloom {

DiscoverError DiscoverError::unknownSetting(std::string settingID) {
  const auto text = describe::enumCase("unknownSetting", {{std::nullopt, describe::text(settingID)}});
  return DiscoverError(Case::unknownSetting, std::move(settingID), text);
}

DiscoverError DiscoverError::duplicateCard(std::string settingID) {
  const auto text = describe::enumCase("duplicateCard", {{std::nullopt, describe::text(settingID)}});
  return DiscoverError(Case::duplicateCard, std::move(settingID), text);
}

namespace {

DiscoverCard decodeCard(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  DiscoverCard card;
  card.settingID = requiredString(json, "settingID", path);
  card.hook = requiredString(json, "hook", path);
  card.body = requiredString(json, "body", path);
  return card;
}

}  // namespace

DiscoverDeck DiscoverDeck::fromData(std::string_view bytes, const SettingsCatalog& catalog) {
  const Json document = parseJson(bytes);
  const CodingPath root;
  const CodingPath cardsPath{"cards"};
  const Json& cardsJson = requireArray(member(document, "cards", root), cardsPath);

  // The whole file is decoded before any card is checked, so a decoding fault wins.
  std::vector<DiscoverCard> cards;
  cards.reserve(cardsJson.size());
  for (std::size_t i = 0; i < cardsJson.size(); ++i) cards.push_back(decodeCard(cardsJson[i], appending(cardsPath, i)));

  std::unordered_set<std::string> used;
  for (const auto& card : cards) {
    if (!catalog.setting(card.settingID)) throw DiscoverError::unknownSetting(card.settingID);
    if (!used.insert(card.settingID).second) throw DiscoverError::duplicateCard(card.settingID);
  }
  return DiscoverDeck(std::move(cards));
}

DiscoverDeck DiscoverDeck::bundled(const SettingsCatalog& catalog) {
  return fromData(BundledResource::data("discover_cards"), catalog);
}

std::optional<DiscoverCard> DiscoverDeck::card(std::int64_t on, const std::set<std::string>& seen) const {
  if (cards_.empty()) return std::nullopt;
  std::vector<const DiscoverCard*> pool;
  for (const auto& card : cards_)
    if (!seen.contains(card.settingID)) pool.push_back(&card);
  // Every card seen: the deck starts over.
  if (pool.empty())
    for (const auto& card : cards_) pool.push_back(&card);

  const auto n = static_cast<std::int64_t>(pool.size());
  const std::int64_t remainder = on % n;  // takes the sign of the day
  return *pool[static_cast<std::size_t>((remainder + n) % n)];
}

std::int64_t DiscoverDeck::dayNumber(double secondsSinceReferenceDate) {
  const double days = std::trunc((secondsSinceReferenceDate + iso8601::kReferenceDateUnixSeconds) / 86400.0);
  // A time no day number can hold saturates instead of overflowing the conversion.
  if (std::isnan(days)) return 0;
  constexpr double limit = 9223372036854775807.0;  // 2^63
  if (days >= limit) return std::numeric_limits<std::int64_t>::max();
  if (days < -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(days);
}

}  // namespace amberloom
