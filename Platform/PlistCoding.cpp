#include "Platform/PlistCoding.hpp"

#include "Platform/BinaryPropertyList.hpp"
#include "Platform/TextEncoding.hpp"
#include "Platform/XmlPropertyListReader.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace amberloom::platform {
namespace {

// Text in XML form: the markup characters as entities, and a carriage return as a reference, since
// a reader turns a raw one into a line feed. Throws PlistEncodingError for text XML cannot carry.
void appendEscaped(std::string& out, const std::string& text) {
  // No XML character stands for U+0000, U+0001 and the other control characters but tab and line
  // ends, nor for U+FFFE and U+FFFF: a reader would refuse the whole document.
  if (!isXmlText(text)) throw PlistEncodingError("text with a character XML cannot carry has no XML form");
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\r': out += "&#13;"; break;
      default: out.push_back(c);
    }
  }
}

std::string base64(const PlistData& data) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::uint32_t n = (data[i] << 16) | ((i + 1 < data.size() ? data[i + 1] : 0) << 8) |
                            (i + 2 < data.size() ? data[i + 2] : 0);
    out.push_back(alphabet[(n >> 18) & 63]);
    out.push_back(alphabet[(n >> 12) & 63]);
    out.push_back(i + 1 < data.size() ? alphabet[(n >> 6) & 63] : '=');
    out.push_back(i + 2 < data.size() ? alphabet[n & 63] : '=');
  }
  return out;
}

std::string realText(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "+infinity" : "-infinity";
  if (v == 0 && std::signbit(v)) return "-0";  // as a whole number it would lose its sign
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(v)).ptr;
    return std::string(buffer, end);
  }
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17).ptr;
  return std::string(buffer, end);
}

// The instant to the whole second; throws PlistEncodingError outside the years 1 to 9999, which
// the XML form cannot carry so that they read back.
std::string dateText(double secondsSinceReferenceDate) {
  constexpr double kReferenceDateUnix = 978307200.0;
  const double unixSeconds = std::floor(secondsSinceReferenceDate + kReferenceDateUnix);
  if (!(unixSeconds >= -62135596800.0 && unixSeconds < 253402300800.0))
    throw PlistEncodingError("a date outside the years 1 to 9999 cannot be written as XML");
  const auto unix = static_cast<std::time_t>(unixSeconds);
  std::tm parts{};
  gmtime_r(&unix, &parts);
  // Four digits of year whatever the year, as ISO 8601 has it ("%Y" would write 843 for 0843).
  // Room for any int in each field: the compiler cannot know the years stop at 9999.
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return buffer;
}

// Writes the object; `complete` is cleared when a member is left out.
void writeXml(std::string& out, const PlistObject& object, int indent, bool& complete) {
  const std::string pad(static_cast<std::size_t>(indent), '\t');
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          out += pad + (v ? "<true/>\n" : "<false/>\n");
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          out += pad + "<integer>" + std::to_string(v) + "</integer>\n";
        } else if constexpr (std::is_same_v<T, double>) {
          out += pad + "<real>" + realText(v) + "</real>\n";
        } else if constexpr (std::is_same_v<T, std::string>) {
          out += pad + "<string>";
          appendEscaped(out, v);
          out += "</string>\n";
        } else if constexpr (std::is_same_v<T, PlistData>) {
          out += pad + "<data>" + base64(v) + "</data>\n";
        } else if constexpr (std::is_same_v<T, PlistDate>) {
          out += pad + "<date>" + dateText(v.secondsSinceReferenceDate) + "</date>\n";
        } else if constexpr (std::is_same_v<T, PlistDictionary>) {
          if (v.empty()) {
            out += pad + "<dict/>\n";
            return;
          }
          out += pad + "<dict>\n";
          for (const auto& [key, member] : v) {
            // Text that is not well-formed has no XML form; leaving the member out lets an outside
            // reader see none there, as the store does.
            const auto* other = std::get_if<PlistOther>(&member.value);
            if (isRawKey(key) || (other && other->kind == "utf16")) {
              complete = false;
              continue;
            }
            // A member whose key or text holds a character XML cannot carry, or that holds a date
            // the XML form cannot carry (outside the years 1 to 9999), is left out the same way, so
            // the rest of the domain still reads.
            const std::size_t start = out.size();
            try {
              out += pad + "\t<key>";
              appendEscaped(out, key);
              out += "</key>\n";
              writeXml(out, member, indent + 1, complete);
            } catch (const PlistEncodingError&) {
              out.resize(start);
              complete = false;
            }
          }
          out += pad + "</dict>\n";
        } else if constexpr (std::is_same_v<T, PlistArray>) {
          if (v.empty()) {
            out += pad + "<array/>\n";
            return;
          }
          out += pad + "<array>\n";
          for (const auto& element : v) writeXml(out, element, indent + 1, complete);
          out += pad + "</array>\n";
        } else if (v.kind == "uint64") {
          out += pad + "<integer>" + std::to_string(v.value) + "</integer>\n";
        } else if (v.kind == "uid") {
          out += pad + "<dict>\n" + pad + "\t<key>CF$UID</key>\n" + pad + "\t<integer>" + std::to_string(v.value) +
                 "</integer>\n" + pad + "</dict>\n";
        } else {
          // Text that is not well-formed, or a set: XML has no form that reads back as it.
          throw PlistEncodingError("a " + v.kind + " member has no XML form");
        }
      },
      object.value);
}

}  // namespace

std::optional<PlistObject> parsePropertyList(std::string_view bytes) {
  if (bytes.starts_with("bplist")) return parseBinaryPropertyList(bytes);
  return readXmlPropertyList(bytes);
}

std::string binaryPropertyList(const PlistObject& object) { return encodeBinaryPropertyList(object); }

namespace {

std::string xmlDocument(const PlistObject& object, bool& complete) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  writeXml(out, object, 0, complete);
  out += "</plist>\n";
  return out;
}

}  // namespace

std::string xmlPropertyList(const PlistObject& object) {
  bool complete = true;
  return xmlDocument(object, complete);
}

std::optional<std::string> completeXmlPropertyList(const PlistObject& object) {
  bool complete = true;
  try {
    std::string xml = xmlDocument(object, complete);
    if (complete) return xml;
  } catch (const PlistEncodingError&) {
    // the top object itself has no XML form
  }
  return std::nullopt;
}

}  // namespace amberloom::platform
