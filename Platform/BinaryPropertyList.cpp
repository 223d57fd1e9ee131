#include "Platform/BinaryPropertyList.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Platform/TextEncoding.hpp"

namespace amberloom::platform {
namespace {

constexpr std::size_t kMaxDepth = kMaxPropertyListDepth;
constexpr std::size_t kTrailerSize = 32;

// A reader that follows references expands every one it meets, so a hostile file nested a few
// hundred thousand deep would overflow the stack, and a few hundred bytes of containers that each
// refer twice to the next would expand to billions of objects. The object graph is therefore walked
// first, without recursion: a cycle, nesting deeper than kMaxDepth, an expansion beyond a bound
// proportional to the file, or a structure that cannot be walked refuses the bytes.
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

std::string setBytes(const PlistArray& elements);
PlistArray setElements(const PlistOther& set);

// Reads objects of a file whose graph binaryObjectGraphIsBounded accepted; every read is still
// bounds-checked, so a malformed object gives none.
class Reader {
 public:
  explicit Reader(std::string_view bytes)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()), end_(size_ - kTrailerSize) {
    offsetSize_ = data_[end_ + 6];
    refSize_ = data_[end_ + 7];
    number(end_ + 8, 8, count_);
    number(end_ + 16, 8, top_);
    number(end_ + 24, 8, table_);
  }

  std::optional<PlistObject> top() { return object(top_, 1); }

 private:
  bool number(std::uint64_t at, std::uint64_t width, std::uint64_t& value) const {
    if (width == 0 || width > 8 || at > size_ || width > size_ - at) return false;
    value = 0;
    for (std::uint64_t i = 0; i < width; ++i) value = (value << 8) | data_[at + i];
    return true;
  }

  // The object's marker, the count its low nibble (or the integer after it) gives, and where its
  // payload starts.
  bool header(std::uint64_t ref, std::uint8_t& marker, std::uint64_t& count, std::uint64_t& at) const {
    if (ref >= count_ || !number(table_ + ref * offsetSize_, offsetSize_, at) || at < 8 || at >= end_) return false;
    marker = data_[at++];
    count = marker & 0xF;
    if (count == 0xF && marker >> 4 != 0 && marker >> 4 != 1 && marker >> 4 != 2 && marker >> 4 != 3 &&
        marker >> 4 != 8) {
      if (at >= end_ || data_[at] >> 4 != 1 || (data_[at] & 0xF) > 3) return false;
      const std::uint64_t width = std::uint64_t{1} << (data_[at] & 0xF);
      if (!number(at + 1, width, count)) return false;
      at += 1 + width;
    }
    return true;
  }

  bool payload(std::uint64_t at, std::uint64_t count, std::uint64_t unit, std::string_view& bytes) const {
    if (at > end_ || count > (end_ - at) / unit) return false;
    bytes = std::string_view(reinterpret_cast<const char*>(data_ + at), count * unit);
    return true;
  }

  // Text of a string object; `raw` receives UTF-16 code units that are not well-formed.
  bool text(std::uint64_t ref, std::string& value, std::string& raw) const {
    std::uint8_t marker = 0;
    std::uint64_t count = 0, at = 0;
    std::string_view bytes;
    if (!header(ref, marker, count, at)) return false;
    if (marker >> 4 == 0x5) {
      if (!payload(at, count, 1, bytes)) return false;
      // Mostly plain ASCII, which is the same in UTF-8.
      if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        value.assign(bytes);
      else
        value = latin1ToUtf8(bytes);
      return true;
    }
    if (marker >> 4 != 0x6 || !payload(at, count, 2, bytes)) return false;
    if (auto decoded = utf16BigEndianToUtf8(bytes)) value = std::move(*decoded);
    else raw.assign(bytes);
    return true;
  }

  std::optional<PlistObject> object(std::uint64_t ref, std::size_t level) const {
    std::uint8_t marker = 0;
    std::uint64_t count = 0, at = 0;
    if (level > kMaxDepth || !header(ref, marker, count, at)) return std::nullopt;
    std::uint64_t bits = 0;
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) return PlistObject(marker == 0x09);
        return std::nullopt;
      case 0x1: {
        const std::uint64_t width = std::uint64_t{1} << count;
        if (width <= 8) {
          if (!number(at, width, bits)) return std::nullopt;
          // Only the eight-byte form is signed; the narrower ones hold non-negative numbers.
          return PlistObject(static_cast<std::int64_t>(bits));
        }
        std::uint64_t high = 0;
        if (width != 16 || !number(at, 8, high) || !number(at + 8, 8, bits)) return std::nullopt;
        if (high == 0 && bits > static_cast<std::uint64_t>(INT64_MAX)) return PlistObject(PlistOther{"uint64", bits, {}});
        if (high == 0 || (high == ~std::uint64_t{0} && bits > static_cast<std::uint64_t>(INT64_MAX)))
          return PlistObject(static_cast<std::int64_t>(bits));
        return std::nullopt;
      }
      case 0x2:
        if (count == 2 && number(at, 4, bits)) return PlistObject(double{std::bit_cast<float>(static_cast<std::uint32_t>(bits))});
        if (count == 3 && number(at, 8, bits)) return PlistObject(std::bit_cast<double>(bits));
        return std::nullopt;
      case 0x3:
        if (marker == 0x33 && number(at, 8, bits)) return PlistObject(PlistDate{std::bit_cast<double>(bits)});
        return std::nullopt;
      case 0x4: {
        std::string_view bytes;
        if (!payload(at, count, 1, bytes)) return std::nullopt;
        return PlistObject(PlistData(bytes.begin(), bytes.end()));
      }
      case 0x5:
      case 0x6: {
        std::string value, raw;
        if (!text(ref, value, raw)) return std::nullopt;
        if (!raw.empty()) return PlistObject(PlistOther{"utf16", 0, std::move(raw)});
        return PlistObject(std::move(value));
      }
      case 0x8:
        if (!number(at, count + 1, bits)) return std::nullopt;
        return PlistObject(PlistOther{"uid", bits, {}});
      case 0xA:
      case 0xC: {
        std::string_view refs;
        if (!payload(at, count, refSize_, refs)) return std::nullopt;
        // A set keeps its members as bytes of their own (setBytes), so a set within a set would be
        // encoded once per set around it; such a file is refused rather than read in quadratic time.
        const bool set = marker >> 4 == 0xC;
        if (set && insideSet_) return std::nullopt;
        const SetScope scope(insideSet_, set);
        PlistArray elements;
        elements.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
          std::uint64_t child = 0;
          number(at + i * refSize_, refSize_, child);
          auto element = object(child, level + 1);
          if (!element) return std::nullopt;
          elements.push_back(std::move(*element));
        }
        // A set is no array: kept as one, a rewrite stores it as the set it was.
        if (set) return PlistObject(PlistOther{"set", 0, setBytes(elements)});
        return PlistObject(std::move(elements));
      }
      case 0xD: {
        std::string_view refs;
        if (count > (end_ - std::min(at, end_)) / 2 || !payload(at, count * 2, refSize_, refs)) return std::nullopt;
        PlistDictionary members;
        for (std::uint64_t i = 0; i < count; ++i) {
          std::uint64_t keyRef = 0, valueRef = 0;
          number(at + i * refSize_, refSize_, keyRef);
          number(at + (count + i) * refSize_, refSize_, valueRef);
          std::string key, raw;
          if (!text(keyRef, key, raw)) return std::nullopt;
          if (!raw.empty()) key = kRawKeyMarker + raw;
          auto member = object(valueRef, level + 1);
          if (!member) return std::nullopt;
          // Written in key order by this system and most others: each member then goes at the end.
          members.insert_or_assign(members.end(), std::move(key), std::move(*member));
        }
        return PlistObject(std::move(members));
      }
      default:
        return std::nullopt;
    }
  }

  // Marks the reading of a set's members for as long as it lives.
  struct SetScope {
    SetScope(bool& inside, bool set) : inside_(inside), was_(inside) { inside = inside || set; }
    ~SetScope() { inside_ = was_; }
    bool& inside_;
    bool was_;
  };

  const unsigned char* data_;
  std::uint64_t size_;
  std::uint64_t end_;  // where the trailer starts; no object reaches into it
  std::uint64_t offsetSize_ = 0, refSize_ = 0, count_ = 0, top_ = 0, table_ = 0;
  mutable bool insideSet_ = false;  // the members of a set are being read
};

void appendBigEndian(std::string& out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) out.push_back(static_cast<char>(value >> (8 * i)));
}

std::size_t widthFor(std::uint64_t value) {
  if (value <= 0xFF) return 1;
  if (value <= 0xFFFF) return 2;
  if (value <= 0xFFFFFFFF) return 4;
  return 8;
}

int log2Width(std::size_t width) { return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3; }

// Writes objects depth first, each container before its members, into one buffer; references are
// object numbers, whose width is known once every object has been counted.
class Writer {
 public:
  explicit Writer(const PlistObject& root) : refSize_(widthFor(countObjects(root))) { write(root); }

  std::string finish() {
    const std::uint64_t table = body_.size();
    const std::size_t offsetSize = widthFor(table);
    for (const auto offset : offsets_) appendBigEndian(body_, offset, offsetSize);
    body_.append(6, '\0');
    body_.push_back(static_cast<char>(offsetSize));
    body_.push_back(static_cast<char>(refSize_));
    appendBigEndian(body_, offsets_.size(), 8);
    appendBigEndian(body_, 0, 8);
    appendBigEndian(body_, table, 8);
    return std::move(body_);
  }

 private:
  static std::uint64_t countObjects(const PlistObject& object) {
    std::uint64_t n = 1;
    if (const auto* d = object.getIf<PlistDictionary>())
      for (const auto& [key, member] : *d) n += 1 + countObjects(member);
    else if (const auto* a = object.getIf<PlistArray>())
      for (const auto& element : *a) n += countObjects(element);
    else if (const auto* o = object.getIf<PlistOther>(); o && o->kind == "set")
      for (const auto& element : setElements(*o)) n += countObjects(element);
    return n;
  }

  void marker(std::uint8_t type, std::uint64_t count) {
    if (count < 15) {
      body_.push_back(static_cast<char>((type << 4) | count));
      return;
    }
    body_.push_back(static_cast<char>((type << 4) | 0xF));
    const std::size_t width = widthFor(count);
    body_.push_back(static_cast<char>(0x10 | log2Width(width)));
    appendBigEndian(body_, count, width);
  }

  std::uint64_t begin() {
    offsets_.push_back(body_.size());
    return offsets_.size() - 1;
  }

  void text(const std::string& value) {
    if (std::all_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      marker(0x5, value.size());
      body_ += value;
      return;
    }
    const auto units = utf8ToUtf16BigEndian(value);
    if (!units) throw PlistEncodingError("text that is not well-formed UTF-8 cannot be stored");
    marker(0x6, units->size() / 2);
    body_ += *units;
  }

  void key(const std::string& value) {
    begin();
    if (!isRawKey(value)) return text(value);
    marker(0x6, (value.size() - 1) / 2);
    body_.append(value, 1, (value.size() - 1) / 2 * 2);
  }

  // Writes `object` and everything in it; the object's own number comes first.
  void write(const PlistObject& object) {
    begin();
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, bool>) {
            body_.push_back(v ? '\x09' : '\x08');
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            const std::size_t width = v < 0 ? 8 : widthFor(static_cast<std::uint64_t>(v));
            body_.push_back(static_cast<char>(0x10 | log2Width(width)));
            appendBigEndian(body_, static_cast<std::uint64_t>(v), width);
          } else if constexpr (std::is_same_v<T, double>) {
            body_.push_back('\x23');
            appendBigEndian(body_, std::bit_cast<std::uint64_t>(v), 8);
          } else if constexpr (std::is_same_v<T, std::string>) {
            text(v);
          } else if constexpr (std::is_same_v<T, PlistData>) {
            marker(0x4, v.size());
            body_.append(reinterpret_cast<const char*>(v.data()), v.size());
          } else if constexpr (std::is_same_v<T, PlistDate>) {
            body_.push_back('\x33');
            appendBigEndian(body_, std::bit_cast<std::uint64_t>(v.secondsSinceReferenceDate), 8);
          } else if constexpr (std::is_same_v<T, PlistDictionary>) {
            const std::size_t at = reserve(0xD, v.size(), v.size() * 2);
            std::size_t i = 0;
            for (const auto& [name, member] : v) {
              setRef(at, i, offsets_.size());
              key(name);
              setRef(at, v.size() + i++, offsets_.size());
              write(member);
            }
          } else if constexpr (std::is_same_v<T, PlistArray>) {
            elements(0xA, v);
          } else if (v.kind == "set") {
            elements(0xC, setElements(v));
          } else if (v.kind == "uid") {
            const std::size_t width = widthFor(v.value);
            body_.push_back(static_cast<char>(0x80 | (width - 1)));
            appendBigEndian(body_, v.value, width);
          } else if (v.kind == "uint64") {
            body_.push_back('\x14');
            appendBigEndian(body_, 0, 8);
            appendBigEndian(body_, v.value, 8);
          } else if (v.kind == "utf16") {
            marker(0x6, v.bytes.size() / 2);
            body_.append(v.bytes, 0, v.bytes.size() / 2 * 2);
          } else {
            marker(0x5, 0);  // a kind this writer does not know: an empty string
          }
        },
        object.value);
  }

  // An array's or a set's marker and its elements.
  void elements(std::uint8_t type, const PlistArray& members) {
    const std::size_t at = reserve(type, members.size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
      setRef(at, i, offsets_.size());
      write(members[i]);
    }
  }

  // Writes a container's marker and room for `refs` references; returns where they start.
  std::size_t reserve(std::uint8_t type, std::uint64_t count, std::size_t refs) {
    marker(type, count);
    const std::size_t at = body_.size();
    body_.append(refs * refSize_, '\0');
    return at;
  }

  void setRef(std::size_t at, std::size_t index, std::uint64_t ref) {
    for (std::size_t i = 0; i < refSize_; ++i)
      body_[at + index * refSize_ + i] = static_cast<char>(ref >> (8 * (refSize_ - 1 - i)));
  }

  std::size_t refSize_;
  std::string body_ = "bplist00";
  std::vector<std::uint64_t> offsets_;
};

// A set's members travel as the binary form of an array of them: a `PlistOther` holds no objects.
std::string setBytes(const PlistArray& elements) { return Writer(PlistObject(elements)).finish(); }
PlistArray setElements(const PlistOther& set) {
  auto array = parseBinaryPropertyList(set.bytes);
  if (!array || !array->is<PlistArray>()) return {};  // only setBytes makes them
  return std::get<PlistArray>(std::move(array->value));
}

}  // namespace

std::optional<PlistObject> parseBinaryPropertyList(std::string_view bytes) {
  if (!bytes.starts_with("bplist00") || !binaryObjectGraphIsBounded(bytes)) return std::nullopt;
  return Reader(bytes).top();
}

std::string encodeBinaryPropertyList(const PlistObject& object) { return Writer(object).finish(); }

// What Writer::text and Writer::key refuse: text that is not well-formed UTF-8, as
// utf8ToUtf16BigEndian finds it.
bool binaryEncodable(const PlistObject& object) {
  if (const auto* s = object.getIf<std::string>()) return isValidUtf8(*s);
  if (const auto* d = object.getIf<PlistDictionary>())
    return std::all_of(d->begin(), d->end(), [](const auto& member) {
      return (isRawKey(member.first) || isValidUtf8(member.first)) && binaryEncodable(member.second);
    });
  if (const auto* a = object.getIf<PlistArray>())
    return std::all_of(a->begin(), a->end(), [](const PlistObject& element) { return binaryEncodable(element); });
  if (const auto* o = object.getIf<PlistOther>(); o && o->kind == "set")
    return binaryEncodable(PlistObject(setElements(*o)));
  return true;
}

bool nestedDeeperThan(const PlistObject& object, std::size_t levels) {
  if (levels == 0) return true;
  if (const auto* d = object.getIf<PlistDictionary>())
    return std::any_of(d->begin(), d->end(), [&](const auto& m) { return nestedDeeperThan(m.second, levels - 1); });
  if (const auto* a = object.getIf<PlistArray>())
    return std::any_of(a->begin(), a->end(), [&](const auto& e) { return nestedDeeperThan(e, levels - 1); });
  if (const auto* o = object.getIf<PlistOther>(); o && o->kind == "set")
    return nestedDeeperThan(PlistObject(setElements(*o)), levels);
  return false;
}

}  // namespace amberloom::platform
