// Catalogue files from the server: the event reader must give what the tree decoder gives, or
// leave the file to it, and validation fails only with its documented errors.

#include "Catalog/RawCatalog.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "FuzzInput.hpp"
#include "RawCatalogDescription.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto bytes = fuzz::text(data, size);
  const auto fast = RawCatalog::readWellFormed(bytes);
  std::optional<RawCatalog> tree;
  try {
    tree = RawCatalog::decode(bytes);
  } catch (const DecodingError&) {
  }
  if (fast) {
    fuzz::require(tree.has_value(), "a file the event reader takes is decodable");
    fuzz::require(testing::describeRecords(*fast) == testing::describeRecords(*tree), "both readers give the same records");
  }
  try {
    (void)SettingsCatalog::fromData(bytes);
  } catch (const DecodingError&) {
  } catch (const DescribedError&) {
  }
  return 0;
}
