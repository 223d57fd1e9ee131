// A manual guide file; it fails only with its own errors.

#include "Catalog/ManualGuide.hpp"
#include "Support/Json.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)ManualGuide::fromData(fuzz::text(data, size));
  } catch (const DecodingError&) {
  } catch (const ManualGuideError&) {
  }
  return 0;
}
