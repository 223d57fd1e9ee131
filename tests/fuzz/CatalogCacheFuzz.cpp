// The signed catalogue cache file, read as the channel reads it before checking the signature;
// its payload then goes through catalogue validation.

#include "Catalog/CatalogChannel.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto stored =
      FileCatalogCache(fuzz::writeScratchFile(std::string(FileCatalogCache::fileName), fuzz::text(data, size))).read();
  if (!stored) return 0;
  try {
    (void)SettingsCatalog::fromData(stored->data);
  } catch (const DecodingError&) {
  } catch (const DescribedError&) {
  }
  return 0;
}
