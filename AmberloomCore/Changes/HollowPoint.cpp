#include "Changes/HollowPoint.hpp"

#include <cstring>

#include "Support/Json.hpp"

namespace amberloom {

namespace {

// Walks JSON text without building values. Each read skips the white space before it; a read that
// fails leaves the scan to be abandoned.
class Scan {
 public:
  explicit Scan(std::string_view text) : text_(text) {
    // A byte-order mark is passed over, as the JSON parser passes over it.
    if (text_.starts_with("\xEF\xBB\xBF")) position_ = 3;
  }

  bool atEnd() {
    skipSpace();
    return position_ == text_.size();
  }
  char peek() {
    skipSpace();
    return position_ < text_.size() ? text_[position_] : '\0';
  }
  bool take(char c) {
    if (peek() != c) return false;
    ++position_;
    return true;
  }

  // A member's name, decoded (escapes and all), and the colon after it.
  std::optional<std::string> name(std::string_view& raw) {
    const auto quoted = value(0);
    if (!quoted || !quoted->starts_with('"') || !take(':')) return std::nullopt;
    raw = *quoted;
    if (quoted->find('\\') == std::string_view::npos) return std::string(quoted->substr(1, quoted->size() - 2));
    try {
      return parseJson(*quoted).get<std::string>();
    } catch (const DecodingError&) {
      return std::nullopt;  // an escape the parser refuses: the whole file would be refused too
    }
  }

  // The text of the value that starts here, passed over; `depth` counts the arrays and objects
  // around it. None when the text ends first or the value opens more levels than a document may.
  std::optional<std::string_view> value(std::size_t depth) {
    skipSpace();
    const std::size_t start = position_;
    if (position_ == text_.size()) return std::nullopt;
    const char first = text_[position_];
    if (first == '"') {
      if (!skipString()) return std::nullopt;
    } else if (first == '{' || first == '[') {
      std::size_t open = 0;
      do {
        if (position_ == text_.size()) return std::nullopt;
        const char c = text_[position_];
        if (c == '"') {
          if (!skipString()) return std::nullopt;
          continue;
        }
        if (c == '{' || c == '[') {
          if (depth + ++open > kMaxJsonDepth) return std::nullopt;
        } else if (c == '}' || c == ']') {
          --open;
        }
        ++position_;
      } while (open > 0);
    } else {
      while (position_ < text_.size() && !isDelimiter(text_[position_])) ++position_;
      if (position_ == start) return std::nullopt;
    }
    return text_.substr(start, position_ - start);
  }

 private:
  static bool isDelimiter(char c) {
    return c == ',' || c == '}' || c == ']' || c == ':' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
  }
  void skipSpace() {
    while (position_ < text_.size() &&
           (text_[position_] == ' ' || text_[position_] == '\t' || text_[position_] == '\n' || text_[position_] == '\r'))
      ++position_;
  }
  // From the opening quote past the closing one: the first quote after an even run of
  // backslashes (each pair is one escaped backslash). Found with memchr, as the values of large
  // points are mostly text.
  bool skipString() {
    for (std::size_t from = position_ + 1;;) {
      const void* found = std::memchr(text_.data() + from, '"', text_.size() - from);
      if (!found) return false;
      const std::size_t quote = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
      std::size_t backslashes = 0;
      while (text_[quote - 1 - backslashes] == '\\') ++backslashes;
      from = quote + 1;
      if (backslashes % 2 == 0) {
        position_ = from;
        return true;
      }
    }
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

// The snapshot's members, its entries counted and left out; the rest as written, for the decoder
// to judge. Depth 2: inside the point and the snapshot.
std::optional<std::string> hollowSnapshot(Scan& scan, std::size_t& entryCount) {
  std::string hollow = "{";
  if (!scan.take('}')) {
    do {
      std::string_view rawName;
      const auto name = scan.name(rawName);
      if (!name) return std::nullopt;
      if (hollow.size() > 1) hollow += ',';
      hollow.append(rawName).append(":");
      if (*name == "entries" && scan.take('[')) {
        entryCount = 0;
        if (!scan.take(']')) {
          do {
            // An entry that is no object is refused by the decoder whatever it holds.
            if (scan.peek() != '{' || !scan.value(3)) return std::nullopt;
            ++entryCount;
          } while (scan.take(','));
          if (!scan.take(']')) return std::nullopt;
        }
        hollow += "[]";
      } else {
        const auto value = scan.value(2);
        if (!value) return std::nullopt;
        hollow.append(*value);
      }
    } while (scan.take(','));
    if (!scan.take('}')) return std::nullopt;
  }
  return hollow + "}";
}

}  // namespace

std::optional<HollowPoint> hollowPoint(std::string_view text) {
  Scan scan(text);
  HollowPoint point{"{", 0};
  if (!scan.take('{')) return std::nullopt;
  if (!scan.take('}')) {
    do {
      std::string_view rawName;
      const auto name = scan.name(rawName);
      if (!name) return std::nullopt;
      if (point.text.size() > 1) point.text += ',';
      point.text.append(rawName).append(":");
      if (*name == "snapshot" && scan.peek() == '{') {
        scan.take('{');
        const auto snapshot = hollowSnapshot(scan, point.entryCount);
        if (!snapshot) return std::nullopt;
        point.text += *snapshot;
      } else if (*name == "priorIntents" && scan.peek() == '[') {
        if (!scan.value(1)) return std::nullopt;
        point.text += "[]";
      } else {
        const auto value = scan.value(1);
        if (!value) return std::nullopt;
        point.text.append(*value);
      }
    } while (scan.take(','));
    if (!scan.take('}')) return std::nullopt;
  }
  if (!scan.atEnd()) return std::nullopt;
  point.text += '}';
  return point;
}

}  // namespace amberloom
