#include "Platform/PlainXmlPropertyList.hpp"

#include <charconv>
#include <cstdint>
#include <string>

#include "Platform/BinaryPropertyList.hpp"
#include "Platform/CivilDate.hpp"
#include "Platform/TextEncoding.hpp"

namespace amberloom::platform {
namespace {

constexpr std::string_view kDeclarations[] = {R"(<?xml version="1.0" encoding="UTF-8"?>)", R"(<?xml version="1.0"?>)"};
constexpr std::string_view kDoctype =
    R"(<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">)";
constexpr std::string_view kPlistOpen = R"(<plist version="1.0">)";
constexpr std::int64_t kReferenceDateUnix = 978307200;
// A dictionary holding this key is a UID to the general reader.
constexpr std::string_view kUidKey = "CF$UID";

// Thrown for anything left to the general reader; never leaves this file.
struct NotPlain {};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  PlistObject document() {
    for (const auto declaration : kDeclarations)
      if (consume(declaration)) break;
    skipSpace();
    if (consume(kDoctype)) skipSpace();
    expect(kPlistOpen);
    PlistObject root = value(1);
    skipSpace();
    expect("</plist>");
    skipSpace();
    if (at_ != text_.size()) throw NotPlain{};
    return root;
  }

 private:
  PlistObject value(std::size_t level) {
    if (level > kMaxPropertyListDepth) throw NotPlain{};
    skipSpace();
    bool empty = false;
    const std::string_view tag = openingTag(empty);
    if (tag == "true" || tag == "false") {
      if (!empty) throw NotPlain{};
      return PlistObject(tag == "true");
    }
    if (tag == "dict") return empty ? PlistObject(PlistDictionary{}) : dictionary(level);
    if (tag == "array") return empty ? PlistObject(PlistArray{}) : array(level);
    if (empty) {
      if (tag == "string") return PlistObject(std::string());
      throw NotPlain{};
    }
    if (tag == "string") return PlistObject(wellFormed(content("</string>")));
    if (tag == "integer") return PlistObject(integer(content("</integer>")));
    if (tag == "real") return PlistObject(real(content("</real>")));
    if (tag == "date") return PlistObject(date(content("</date>")));
    if (tag == "data") return PlistObject(data(content("</data>")));
    throw NotPlain{};
  }

  PlistObject dictionary(std::size_t level) {
    PlistDictionary members;
    for (;;) {
      skipSpace();
      if (consume("</dict>")) break;
      expect("<key>");
      std::string key = wellFormed(content("</key>"));
      if (key == kUidKey) throw NotPlain{};
      PlistObject member = value(level + 1);
      const std::size_t before = members.size();
      // An export lists its keys in order: each goes at the end.
      members.emplace_hint(members.end(), std::move(key), std::move(member));
      if (members.size() == before) throw NotPlain{};
    }
    return PlistObject(std::move(members));
  }

  PlistObject array(std::size_t level) {
    PlistArray elements;
    for (;;) {
      skipSpace();
      if (consume("</array>")) break;
      elements.push_back(value(level + 1));
    }
    return PlistObject(std::move(elements));
  }

  // The name of the element that opens here; `empty` when it closes itself. One without
  // attributes only.
  std::string_view openingTag(bool& empty) {
    if (at_ >= text_.size() || text_[at_] != '<') throw NotPlain{};
    const std::size_t end = text_.find('>', at_);
    if (end == std::string_view::npos) throw NotPlain{};
    std::string_view tag = text_.substr(at_ + 1, end - at_ - 1);
    empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.remove_suffix(1);
    for (const char c : tag)
      if (c < 'a' || c > 'z') throw NotPlain{};
    at_ = end + 1;
    return tag;
  }

  // The text up to `closing`, with the five named entities replaced.
  std::string content(std::string_view closing) {
    const std::size_t end = text_.find('<', at_);
    if (end == std::string_view::npos) throw NotPlain{};
    const std::string_view raw = text_.substr(at_, end - at_);
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        text.push_back(raw[i]);
        continue;
      }
      const std::string_view rest = raw.substr(i);
      static constexpr std::pair<std::string_view, char> entities[] = {
          {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
      bool known = false;
      for (const auto& [entity, character] : entities) {
        if (rest.starts_with(entity)) {
          text.push_back(character);
          i += entity.size() - 1;
          known = true;
          break;
        }
      }
      if (!known) throw NotPlain{};
    }
    at_ = end;
    expect(closing);
    return text;
  }

  static std::string wellFormed(std::string text) {
    if (!isValidUtf8(text)) throw NotPlain{};
    return text;
  }

  // Decimal digits with an optional minus sign, within the signed 64-bit range; no leading zero,
  // which the general reader may take for an octal number.
  static std::int64_t integer(const std::string& text) {
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || (text[digits] == '0' && text.size() > digits + 1)) throw NotPlain{};
    for (std::size_t i = digits; i < text.size(); ++i)
      if (!isDigit(text[i])) throw NotPlain{};
    std::int64_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size()) throw NotPlain{};
    return v;
  }

  // A finite decimal number, with or without a fraction and an exponent.
  static double real(const std::string& text) {
    if (text.empty()) throw NotPlain{};
    for (const char c : text)
      if (!isDigit(c) && c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') throw NotPlain{};
    double v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size()) throw NotPlain{};
    return v;
  }

  // "YYYY-MM-DDTHH:MM:SSZ", a real day of the years 1 to 9999.
  static PlistDate date(const std::string& text) {
    static constexpr std::string_view shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != shape.size()) throw NotPlain{};
    for (std::size_t i = 0; i < shape.size(); ++i)
      if (shape[i] == 'd' ? !isDigit(text[i]) : text[i] != shape[i]) throw NotPlain{};
    const auto number = [&text](std::size_t from, std::size_t length) {
      unsigned v = 0;
      for (std::size_t i = from; i < from + length; ++i) v = v * 10 + static_cast<unsigned>(text[i] - '0');
      return v;
    };
    const unsigned year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const unsigned hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (year < 1 || !isCivilDay(year, month, day) || hour > 23 || minute > 59 || second > 59) throw NotPlain{};
    const std::int64_t unix = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return PlistDate{static_cast<double>(unix - kReferenceDateUnix)};
  }

  // Base64 in lines of any length: whole groups of four, padding only at the end.
  static PlistData data(const std::string& text) {
    std::string symbols;
    symbols.reserve(text.size());
    for (const char c : text)
      if (!isSpace(c)) symbols.push_back(c);
    if (symbols.size() % 4 != 0) throw NotPlain{};
    std::size_t padding = 0;
    while (padding < 2 && padding < symbols.size() && symbols[symbols.size() - 1 - padding] == '=') ++padding;
    PlistData bytes;
    bytes.reserve(symbols.size() / 4 * 3);
    for (std::size_t i = 0; i < symbols.size(); i += 4) {
      std::uint32_t group = 0;
      for (std::size_t j = i; j < i + 4; ++j) {
        const char c = symbols[j];
        std::uint32_t sextet = 0;
        if (c >= 'A' && c <= 'Z') sextet = static_cast<std::uint32_t>(c - 'A');
        else if (c >= 'a' && c <= 'z') sextet = static_cast<std::uint32_t>(c - 'a' + 26);
        else if (isDigit(c)) sextet = static_cast<std::uint32_t>(c - '0' + 52);
        else if (c == '+') sextet = 62;
        else if (c == '/') sextet = 63;
        else if (c != '=' || j < symbols.size() - padding) throw NotPlain{};
        group = (group << 6) | sextet;
      }
      bytes.push_back(static_cast<std::uint8_t>(group >> 16));
      bytes.push_back(static_cast<std::uint8_t>(group >> 8));
      bytes.push_back(static_cast<std::uint8_t>(group));
    }
    bytes.resize(bytes.size() - padding);
    return bytes;
  }

  void skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
  }
  bool consume(std::string_view expected) {
    if (!text_.substr(at_).starts_with(expected)) return false;
    at_ += expected.size();
    return true;
  }
  void expect(std::string_view expected) {
    if (!consume(expected)) throw NotPlain{};
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<PlistObject> readPlainXmlPropertyList(std::string_view bytes) {
  // XML reads a carriage return as a line's end; that rewriting is left to the general reader.
  if (bytes.find('\r') != std::string_view::npos) return std::nullopt;
  try {
    return Reader(bytes).document();
  } catch (const NotPlain&) {
    return std::nullopt;
  }
}

}  // namespace amberloom::platform
