// Property-list bytes from other programs: binary or XML, whatever their shape. What reads must
// write back and read again to the same bytes.

#include "FuzzInput.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PlainXmlPropertyList.hpp"
#include "Platform/PlistCoding.hpp"

using namespace amberloom::platform;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::text(data, size);
  // What the fast reader of plain exports reads, libplist reads alike.
  if (bytes.find('\0') == std::string_view::npos) {
    if (const auto plain = readPlainXmlPropertyList(bytes)) {
      const auto general = parseXmlPropertyListGenerally(bytes);
      fuzz::require(general.has_value() && *general == *plain, "the fast reader reads as libplist does");
    }
  }
  const auto object = parsePropertyList(bytes);
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
