// A discover deck file, checked against the built-in catalogue; it fails only with its own errors.

#include "Catalog/DiscoverDeck.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "FuzzInput.hpp"
#include "Support/Json.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const SettingsCatalog catalog = SettingsCatalog::bundled();
  try {
    const auto deck = DiscoverDeck::fromData(fuzz::text(data, size), catalog);
    (void)deck.card(0, {});
  } catch (const DecodingError&) {
  } catch (const DiscoverError&) {
  }
  return 0;
}
