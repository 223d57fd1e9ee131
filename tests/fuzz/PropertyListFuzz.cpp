// Property-list bytes from other programs: binary or XML, whatever their shape or encoding. What
// reads must write back and read again to the same bytes; what reads from XML must also export
// and read back as it was, and read alike from UTF-16.

#include "FuzzInput.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/TextEncoding.hpp"

using namespace amberloom::platform;
namespace fuzz = amberloom::fuzz;

namespace {

// The UTF-8 text as UTF-16 with a little-endian byte-order mark; none when it is not UTF-8.
std::optional<std::string> asUtf16(std::string_view text) {
  const auto units = utf8ToUtf16BigEndian(text);
  if (!units) return std::nullopt;
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < units->size(); i += 2) {
    out.push_back((*units)[i + 1]);
    out.push_back((*units)[i]);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::text(data, size);
  // Any text XML carries, its ASCII written as references, reads back as that text.
  if (isXmlText(bytes)) {
    std::string references = "<plist><string>";
    for (const char c : bytes) references += c & 0x80 ? std::string(1, c) : "&#" + std::to_string(c) + ";";
    const auto text = parsePropertyList(references + "</string></plist>");
    fuzz::require(text && *text == PlistObject(std::string(bytes)), "references read as the characters they name");
  }
  const auto object = parsePropertyList(bytes);
  const bool xml = !bytes.starts_with("bplist");
  // Without a declaration or a byte-order mark, the same text in UTF-16 reads the same.
  if (xml && !bytes.starts_with("<?xml") && !bytes.starts_with("\xEF\xBB\xBF") && !bytes.starts_with("\xFF\xFE") &&
      !bytes.starts_with("\xFE\xFF")) {
    if (const auto wide = asUtf16(bytes)) {
      const auto again = parsePropertyList(*wide);
      fuzz::require(again.has_value() == object.has_value(), "UTF-16 reads as UTF-8 does");
      if (object) fuzz::require(binaryPropertyList(*again) == binaryPropertyList(*object), "the same values from UTF-16");
    }
  }
  if (!object) return 0;
  fuzz::require(!nestedDeeperThan(*object, kMaxPropertyListDepth), "nothing deeper than the limit is read");
  std::string binary;
  try {
    binary = binaryPropertyList(*object);
  } catch (const PlistEncodingError&) {
    fuzz::require(false, "what reads can be stored");
  }
  const auto again = parsePropertyList(binary);
  fuzz::require(again.has_value(), "what is written reads back");
  fuzz::require(binaryPropertyList(*again) == binary, "a rewrite keeps every member exactly");
  try {
    const auto exported = parsePropertyList(xmlPropertyList(*object));
    // Everything XML gave, XML carries: the export reads back to the same values.
    if (xml) fuzz::require(exported && binaryPropertyList(*exported) == binary, "an export of XML reads back as it was");
  } catch (const PlistEncodingError&) {
    // a date beyond the years the XML form carries, or text it cannot, at the top
    fuzz::require(!xml, "whatever XML gave can be exported");
  }
  return 0;
}
