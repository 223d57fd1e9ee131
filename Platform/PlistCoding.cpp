#include "Platform/PlistCoding.hpp"

#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PlainXmlPropertyList.hpp"
#include "Platform/TextEncoding.hpp"

#include <plist/plist.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <locale.h>
#include <memory>
#include <vector>

namespace amberloom::platform {
namespace {

struct NodeDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

constexpr std::uint8_t kDateMarker = 0x33;
constexpr std::uint8_t kWideIntegerMarker = 0x14;  // a 16-byte integer: how 2^63 and above are stored

// The marker byte a node gets in the binary form.
std::uint8_t binaryMarker(plist_t node) {
  Node copy(plist_copy(node));
  char* bytes = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(copy.get(), &bytes, &length);
  const std::uint8_t marker = bytes && length > 8 ? static_cast<std::uint8_t>(bytes[8]) : 0;
  plist_to_bin_free(bytes);
  return marker;
}

// libplist's date accessor goes through whole seconds and truncated microseconds; its binary form
// keeps the full double.
double exactDate(plist_t dateNode) {
  Node copy(plist_copy(dateNode));
  char* bytes = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(copy.get(), &bytes, &length);
  double seconds = 0;
  if (bytes && length >= 17 && static_cast<std::uint8_t>(bytes[8]) == kDateMarker) {
    std::uint64_t bits = 0;
    for (int i = 9; i < 17; ++i) bits = (bits << 8) | static_cast<std::uint8_t>(bytes[i]);
    seconds = std::bit_cast<double>(bits);
  } else {
    std::int32_t sec = 0, usec = 0;
    plist_get_date_val(dateNode, &sec, &usec);
    seconds = sec + usec / 1e6;
  }
  plist_to_bin_free(bytes);
  return seconds;
}

// An object read by libplist's XML parser. Text that is not well-formed UTF-8 refuses the document,
// as a malformed one.
std::optional<PlistObject> fromNode(plist_t node, std::size_t level) {
  if (!node || level > kMaxPropertyListDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t v = 0;
      plist_get_bool_val(node, &v);
      return PlistObject(v != 0);
    }
    case PLIST_UINT: {
      std::uint64_t v = 0;
      plist_get_uint_val(node, &v);
      // Eight-byte integers are signed; a 16-byte one above the signed range has no place here.
      if (v > static_cast<std::uint64_t>(INT64_MAX) && binaryMarker(node) == kWideIntegerMarker)
        return PlistObject(PlistOther{"uint64", v});
      return PlistObject(static_cast<std::int64_t>(v));
    }
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return PlistObject(v);
    }
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      std::string value(text ? text : "", text ? length : 0);
      if (!isValidUtf8(value)) return std::nullopt;
      return PlistObject(std::move(value));
    }
    case PLIST_DATA: {
      char* bytes = nullptr;
      std::uint64_t length = 0;
      plist_get_data_val(node, &bytes, &length);
      PlistData data(reinterpret_cast<std::uint8_t*>(bytes),
                     reinterpret_cast<std::uint8_t*>(bytes) + (bytes ? length : 0));
      std::free(bytes);
      return PlistObject(std::move(data));
    }
    case PLIST_DATE:
      return PlistObject(PlistDate{exactDate(node)});
    case PLIST_DICT: {
      PlistDictionary members;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (!key) break;
        std::string name(key);
        std::free(key);
        if (!isValidUtf8(name)) {
          std::free(it);
          return std::nullopt;
        }
        auto member = fromNode(value, level + 1);
        if (!member) {
          std::free(it);
          return std::nullopt;
        }
        members.insert_or_assign(std::move(name), std::move(*member));
      }
      std::free(it);
      return PlistObject(std::move(members));
    }
    case PLIST_ARRAY: {
      PlistArray elements;
      const std::uint32_t count = plist_array_get_size(node);
      elements.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        auto element = fromNode(plist_array_get_item(node, i), level + 1);
        if (!element) return std::nullopt;
        elements.push_back(std::move(*element));
      }
      return PlistObject(std::move(elements));
    }
    case PLIST_UID: {
      std::uint64_t v = 0;
      plist_get_uid_val(node, &v);
      return PlistObject(PlistOther{"uid", v});
    }
    default:
      return std::nullopt;
  }
}

// Whether no element of the XML text is nested deeper than a property list of the allowed depth
// needs (the <plist> element adds one level). Comments, CDATA, declarations and quoted attribute
// values are skipped, so a ">" or "/>" inside them cannot hide an opening tag.
bool xmlNestingIsBounded(std::string_view text) {
  std::size_t depth = 0;
  std::size_t i = 0;
  const auto skipPast = [&](std::string_view end) {
    const auto found = text.find(end, i);
    i = found == std::string_view::npos ? text.size() : found + end.size();
  };
  while ((i = text.find('<', i)) != std::string_view::npos) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<!--")) {
      skipPast("-->");
    } else if (rest.starts_with("<![CDATA[")) {
      skipPast("]]>");
    } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
      skipPast(">");
    } else if (rest.starts_with("</")) {
      if (depth > 0) --depth;
      skipPast(">");
    } else {
      char quote = 0;
      bool selfClosing = false;
      for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          selfClosing = text[i - 1] == '/';
          break;
        }
      }
      if (!selfClosing && ++depth > kMaxPropertyListDepth + 1) return false;
    }
  }
  return true;
}

// libplist reads XML reals with atof, which follows the thread's locale; parse under "C".
class ClassicLocaleScope {
 public:
  ClassicLocaleScope() : classic_(newlocale(LC_ALL_MASK, "C", nullptr)) {
    if (classic_) previous_ = uselocale(classic_);
  }
  ~ClassicLocaleScope() {
    if (classic_) {
      uselocale(previous_);
      freelocale(classic_);
    }
  }
  ClassicLocaleScope(const ClassicLocaleScope&) = delete;
  ClassicLocaleScope& operator=(const ClassicLocaleScope&) = delete;

 private:
  locale_t classic_;
  locale_t previous_ = LC_GLOBAL_LOCALE;
};

void appendEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
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

void writeXml(std::string& out, const PlistObject& object, int indent) {
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
          // No XML character stands for U+0000: a reader would refuse the whole document.
          if (v.find('\0') != std::string::npos) throw PlistEncodingError("text holding U+0000 cannot be written as XML");
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
            if (isRawKey(key) || key.find('\0') != std::string::npos || (other && other->kind == "utf16")) continue;
            // A member holding text with U+0000 or a date the XML form cannot carry (outside the
            // years 1 to 9999) is left out the same way, so the rest of the domain still reads.
            const std::size_t start = out.size();
            out += pad + "\t<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            try {
              writeXml(out, member, indent + 1);
            } catch (const PlistEncodingError&) {
              out.resize(start);
            }
          }
          out += pad + "</dict>\n";
        } else if constexpr (std::is_same_v<T, PlistArray>) {
          if (v.empty()) {
            out += pad + "<array/>\n";
            return;
          }
          out += pad + "<array>\n";
          for (const auto& element : v) writeXml(out, element, indent + 1);
          out += pad + "</array>\n";
        } else if (v.kind == "uint64") {
          out += pad + "<integer>" + std::to_string(v.value) + "</integer>\n";
        } else if (v.kind == "uid") {
          out += pad + "<dict>\n" + pad + "\t<key>CF$UID</key>\n" + pad + "\t<integer>" + std::to_string(v.value) +
                 "</integer>\n" + pad + "</dict>\n";
        } else {
          out += pad + "<string></string>\n";
        }
      },
      object.value);
}

}  // namespace

std::optional<PlistObject> parsePropertyList(std::string_view bytes) {
  if (bytes.starts_with("bplist")) return parseBinaryPropertyList(bytes);
  if (bytes.find('\0') == std::string_view::npos)
    if (auto plain = readPlainXmlPropertyList(bytes)) return plain;
  return parseXmlPropertyListGenerally(bytes);
}

std::optional<PlistObject> parseXmlPropertyListGenerally(std::string_view bytes) {
  // libplist parses XML recursively and takes a U+0000 in text for its end; neither can be allowed
  // to reach it (a NUL is no XML character anyway).
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max() ||
      bytes.find('\0') != std::string_view::npos || !xmlNestingIsBounded(bytes))
    return std::nullopt;
  plist_t root = nullptr;
  {
    ClassicLocaleScope classic;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  }
  if (!root) return std::nullopt;
  Node owner(root);
  return fromNode(root, 1);
}

std::string binaryPropertyList(const PlistObject& object) { return encodeBinaryPropertyList(object); }

std::string xmlPropertyList(const PlistObject& object) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  writeXml(out, object, 0);
  out += "</plist>\n";
  return out;
}

}  // namespace amberloom::platform
