// Property-list bytes from other programs: binary or XML, whatever their shape. What reads must
// write back and read again to the same bytes.

#include "FuzzInput.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PlistCoding.hpp"

using namespace amberloom::platform;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto object = parsePropertyList(fuzz::text(data, size));
  if (!object) return 0;
  fuzz::require(!nestedDeeperThan(*object, kMaxPropertyListDepth), "nothing deeper than the limit is read");
  std::string binary;
  try {
    binary = binaryPropertyList(*object);
  } catch (const PlistEncodingError&) {
    return 0;  // only text read from XML could be refused, and none that is not UTF-8 is read
  }
  const auto again = parsePropertyList(binary);
  fuzz::require(again.has_value(), "what is written reads back");
  fuzz::require(binaryPropertyList(*again) == binary, "a rewrite keeps every member exactly");
  try {
    (void)parsePropertyList(xmlPropertyList(*object));
  } catch (const PlistEncodingError&) {
    // a date beyond the years the XML form carries
  }
  return 0;
}
