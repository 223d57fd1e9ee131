#include "Platform/PlistCoding.hpp"

#include <plist/plist.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
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

constexpr std::size_t kMaxDepth = 512;  // deeper nesting reads as none
constexpr std::uint8_t kDateMarker = 0x33;
constexpr std::uint8_t kWideIntegerMarker = 0x14;  // a 16-byte integer: how 2^63 and above are stored

std::string bigEndian(std::uint64_t bits) {
  std::string bytes;
  for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(bits >> shift));
  return bytes;
}

// A binary property list holding one object, given its marker byte and payload.
std::string singleObjectPlist(std::uint8_t marker, const std::string& payload) {
  std::string bytes = "bplist00";
  bytes.push_back(static_cast<char>(marker));
  bytes += payload;
  const auto offsetTable = static_cast<unsigned char>(bytes.size());
  bytes.push_back(8);  // offset table: the object starts at byte 8
  // trailer: 6 unused, offset size 1, ref size 1, 1 object, top object 0, offset table position
  const unsigned char trailer[32] = {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, offsetTable};
  bytes.append(reinterpret_cast<const char*>(trailer), sizeof trailer);
  return bytes;
}

plist_t nodeFromSingleObject(const std::string& bytes, plist_type expected) {
  plist_t node = nullptr;
  plist_from_bin(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &node);
  if (node && plist_get_node_type(node) == expected) return node;
  if (node) plist_free(node);
  return nullptr;
}

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

// libplist's date accessors go through whole seconds and truncated microseconds, which loses the
// exact instant. The binary form keeps the full double, so dates cross through a one-object
// binary property list instead.
plist_t newExactDate(double seconds) {
  const std::string payload = bigEndian(std::bit_cast<std::uint64_t>(seconds));
  if (plist_t node = nodeFromSingleObject(singleObjectPlist(kDateMarker, payload), PLIST_DATE)) return node;
  const double whole = std::floor(seconds);
  return plist_new_date(static_cast<std::int32_t>(whole),
                        static_cast<std::int32_t>(std::lround((seconds - whole) * 1e6)));
}

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

std::optional<PlistObject> fromNode(plist_t node, int depth) {
  // Hostile nesting reads as none.
  if (!node || static_cast<std::size_t>(depth) > kMaxDepth) return std::nullopt;
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
      char* text = nullptr;
      plist_get_string_val(node, &text);
      PlistObject result(std::string(text ? text : ""));
      std::free(text);
      return result;
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
        auto member = fromNode(value, depth + 1);
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
        auto element = fromNode(plist_array_get_item(node, i), depth + 1);
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

plist_t toNode(const PlistObject& object) {
  return std::visit(
      [](const auto& v) -> plist_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return plist_new_bool(v ? 1 : 0);
        else if constexpr (std::is_same_v<T, std::int64_t>) return plist_new_uint(static_cast<std::uint64_t>(v));
        else if constexpr (std::is_same_v<T, double>) return plist_new_real(v);
        else if constexpr (std::is_same_v<T, std::string>) return plist_new_string(v.c_str());
        else if constexpr (std::is_same_v<T, PlistData>)
          return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        else if constexpr (std::is_same_v<T, PlistDate>) return newExactDate(v.secondsSinceReferenceDate);
        else if constexpr (std::is_same_v<T, PlistDictionary>) {
          plist_t dict = plist_new_dict();
          for (const auto& [key, member] : v) plist_dict_set_item(dict, key.c_str(), toNode(member));
          return dict;
        } else if constexpr (std::is_same_v<T, PlistArray>) {
          plist_t array = plist_new_array();
          for (const auto& element : v) plist_array_append_item(array, toNode(element));
          return array;
        } else {
          if (v.kind == "uid") return plist_new_uid(v.value);
          if (v.kind == "uint64")
            if (plist_t node = nodeFromSingleObject(
                    singleObjectPlist(kWideIntegerMarker, std::string(8, '\0') + bigEndian(v.value)), PLIST_UINT))
              return node;
          return plist_new_string("");
        }
      },
      object.value);
}

// libplist reads a binary property list recursively and expands every reference it meets, so a
// hostile file nested a few hundred thousand deep overflows the stack, and a few hundred bytes of
// containers that each refer twice to the next expand to billions of nodes. The object graph is
// therefore walked here first, without recursion: a cycle, nesting deeper than kMaxDepth, an
// expansion beyond a bound proportional to the file, or a structure that cannot be walked refuses
// the bytes.
bool binaryObjectGraphIsBounded(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  const auto readBigEndian = [&](std::uint64_t at, std::uint64_t width, std::uint64_t& value) {
    if (width == 0 || width > 8 || at > size || width > size - at) return false;
    value = 0;
    for (std::uint64_t i = 0; i < width; ++i) value = (value << 8) | data[at + i];
    return true;
  };
  if (size < 8 + 32) return false;
  const std::size_t trailer = size - 32;
  const std::uint64_t offsetSize = data[trailer + 6], refSize = data[trailer + 7];
  std::uint64_t count = 0, top = 0, table = 0;
  if (!readBigEndian(trailer + 8, 8, count) || !readBigEndian(trailer + 16, 8, top) ||
      !readBigEndian(trailer + 24, 8, table) || offsetSize == 0 || offsetSize > 8 || refSize == 0 ||
      refSize > 8 || top >= count || table < 8 || table >= trailer || count > (trailer - table) / offsetSize)
    return false;

  // The references an object holds (none for a scalar); false when it cannot be read.
  const auto children = [&](std::uint64_t object, std::vector<std::uint64_t>& refs) {
    refs.clear();
    std::uint64_t at = 0;
    if (!readBigEndian(table + object * offsetSize, offsetSize, at) || at < 8 || at >= trailer) return false;
    const unsigned type = data[at] >> 4;
    if (type != 0xA && type != 0xC && type != 0xD) return true;
    std::uint64_t n = data[at] & 0xF;
    ++at;
    if (n == 0xF) {
      if (at >= trailer || data[at] >> 4 != 1 || (data[at] & 0xF) > 3) return false;
      const std::uint64_t width = std::uint64_t{1} << (data[at] & 0xF);
      if (!readBigEndian(at + 1, width, n)) return false;
      at += 1 + width;
    }
    const std::uint64_t perEntry = type == 0xD ? 2 : 1;
    if (at > trailer || n > (trailer - at) / refSize / perEntry) return false;
    refs.resize(n * perEntry);
    for (std::uint64_t i = 0; i < refs.size(); ++i)
      if (!readBigEndian(at + i * refSize, refSize, refs[i]) || refs[i] >= count) return false;
    return true;
  };

  const std::uint64_t limit = std::max<std::uint64_t>(std::uint64_t{1} << 20, std::uint64_t{4} * size);
  enum : std::uint8_t { unseen, entered, finished };
  std::vector<std::uint8_t> state(count, unseen);
  std::vector<std::uint32_t> height(count, 0);
  std::vector<std::uint64_t> expanded(count, 0);
  struct Frame {
    std::uint64_t object;
    std::vector<std::uint64_t> refs;
    std::size_t next = 0;
  };
  std::vector<Frame> stack;
  stack.push_back({top, {}});
  state[top] = entered;
  if (!children(top, stack.back().refs)) return false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next < frame.refs.size()) {
      const std::uint64_t child = frame.refs[frame.next++];
      if (state[child] == entered) return false;  // a cycle
      if (state[child] == finished) {
        if (stack.size() + height[child] >= kMaxDepth) return false;
        continue;
      }
      if (stack.size() >= kMaxDepth) return false;
      state[child] = entered;
      stack.push_back({child, {}});
      if (!children(child, stack.back().refs)) return false;
      continue;
    }
    std::uint32_t tallest = 0;
    std::uint64_t total = 1;
    for (const auto ref : frame.refs) {
      tallest = std::max(tallest, height[ref] + 1);
      total += expanded[ref];
      if (total > limit) return false;
    }
    height[frame.object] = tallest;
    expanded[frame.object] = total;
    state[frame.object] = finished;
    stack.pop_back();
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

std::string dateText(double secondsSinceReferenceDate) {
  constexpr double kReferenceDateUnix = 978307200.0;
  const auto unix = static_cast<std::time_t>(std::floor(secondsSinceReferenceDate + kReferenceDateUnix));
  std::tm parts{};
  gmtime_r(&unix, &parts);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts);
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
            out += pad + "\t<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            writeXml(out, member, indent + 1);
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
        } else {
          out += pad + "<string></string>\n";
        }
      },
      object.value);
}

}  // namespace

std::optional<PlistObject> parsePropertyList(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (bytes.starts_with("bplist00") && !binaryObjectGraphIsBounded(bytes)) return std::nullopt;
  plist_t root = nullptr;
  {
    ClassicLocaleScope classic;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  }
  if (!root) return std::nullopt;
  Node owner(root);
  return fromNode(root, 0);
}

std::string binaryPropertyList(const PlistObject& object) {
  Node root(toNode(object));
  char* bytes = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(root.get(), &bytes, &length);
  std::string result(bytes ? bytes : "", bytes ? length : 0);
  plist_to_bin_free(bytes);
  return result;
}

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
