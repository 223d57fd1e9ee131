#include "Platform/XmlPropertyListReader.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "Platform/BinaryPropertyList.hpp"
#include "Platform/TextEncoding.hpp"
#include "Platform/XmlDocumentEncoding.hpp"
#include "Platform/XmlScalarText.hpp"

namespace amberloom::platform {
namespace {

// Thrown for any fault of the document; never leaves this file.
struct Unreadable {};

// Line ends are normalised before reading, so no carriage return is left to skip.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}
bool isNameCharacter(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

template <typename T>
T orUnreadable(std::optional<T> value) {
  if (!value) throw Unreadable{};
  return std::move(*value);
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  PlistObject document() {
    std::optional<std::string> encoding;
    at_ = orUnreadable(xmlDeclaration(text_, encoding));  // checked when the bytes were decoded
    misc(true);
    const Tag root = startTag();
    if (root.name != "plist" || root.empty) throw Unreadable{};
    misc(false);
    PlistObject object = value(1);
    misc(false);
    endTag("plist");
    misc(false);
    if (at_ != text_.size()) throw Unreadable{};
    return object;
  }

 private:
  struct Tag {
    std::string_view name;
    bool empty = false;  // <name/>
  };

  PlistObject value(std::size_t level) {
    if (level > kMaxPropertyListDepth) throw Unreadable{};
    const Tag tag = startTag();
    const std::string_view name = tag.name;
    if (name == "dict") return tag.empty ? PlistObject(PlistDictionary{}) : dictionary(level);
    if (name == "array") return tag.empty ? PlistObject(PlistArray{}) : array(level);
    if (name == "string") return PlistObject(tag.empty ? std::string() : text(name));
    if (name == "true" || name == "false") {
      if (!tag.empty) {
        misc(false);
        endTag(name);
      }
      return PlistObject(name == "true");
    }
    const std::string content = tag.empty ? std::string() : text(name);
    if (name == "integer") return orUnreadable(integerFromXml(content));
    if (name == "real") return PlistObject(orUnreadable(realFromXml(content)));
    if (name == "date") return PlistObject(orUnreadable(dateFromXml(content)));
    if (name == "data") return PlistObject(orUnreadable(dataFromXml(content)));
    throw Unreadable{};
  }

  PlistObject dictionary(std::size_t level) {
    PlistDictionary members;
    for (;;) {
      misc(false);
      if (atEndTag()) break;
      const Tag keyTag = startTag();
      if (keyTag.name != "key") throw Unreadable{};
      std::string key = keyTag.empty ? std::string() : text("key");
      misc(false);
      if (atEndTag()) throw Unreadable{};  // a key without its value
      PlistObject member = value(level + 1);
      // Exports list their keys in order, so each one usually goes at the end.
      if (members.empty() || std::prev(members.end())->first < key)
        members.emplace_hint(members.end(), std::move(key), std::move(member));
      else
        members.insert_or_assign(std::move(key), std::move(member));
    }
    endTag("dict");
    return PlistObject(std::move(members));
  }

  PlistObject array(std::size_t level) {
    PlistArray elements;
    for (;;) {
      misc(false);
      if (atEndTag()) break;
      elements.push_back(value(level + 1));
    }
    endTag("array");
    return PlistObject(std::move(elements));
  }

  // The character data of the element `name` up to its end tag, which it consumes: references
  // replaced, CDATA sections taken as they stand, comments and processing instructions left out.
  // Another element inside is a fault.
  std::string text(std::string_view name) {
    std::string out;
    for (;;) {
      const std::size_t stop = nextMarkup();
      const std::string_view characters = text_.substr(at_, stop - at_);
      // "]]>" ends a CDATA section and may not stand in text otherwise.
      if (characters.find("]]>") != std::string_view::npos) throw Unreadable{};
      out.append(characters);
      at_ = stop;
      if (at_ == text_.size()) throw Unreadable{};
      if (text_[at_] == '&') {
        reference(out);
      } else if (atEndTag()) {
        endTag(name);
        return out;
      } else if (startsWith("<![CDATA[")) {
        const std::size_t end = text_.find("]]>", at_ + 9);
        if (end == std::string_view::npos) throw Unreadable{};
        out.append(text_.substr(at_ + 9, end - at_ - 9));
        at_ = end + 3;
      } else if (startsWith("<!--")) {
        comment();
      } else if (startsWith("<?")) {
        processingInstruction();
      } else {
        throw Unreadable{};
      }
    }
  }

  // Where the next "<" or "&" is, or the end. The "<" found is remembered until the reading passes
  // it: a text of many references would otherwise be searched to its end once per reference.
  std::size_t nextMarkup() {
    const char* const begin = text_.data();
    if (nextAngle_ < at_ || nextAngle_ == kUnknown) {
      const char* angle = static_cast<const char*>(std::memchr(begin + at_, '<', text_.size() - at_));
      nextAngle_ = angle ? static_cast<std::size_t>(angle - begin) : text_.size();
    }
    const char* ampersand = static_cast<const char*>(std::memchr(begin + at_, '&', nextAngle_ - at_));
    return ampersand ? static_cast<std::size_t>(ampersand - begin) : nextAngle_;
  }

  // "&name;" or "&#n;" / "&#xh;", appended as its character.
  void reference(std::string& out) {
    // No reference is longer than "&#x10FFFF;" with leading zeros to spare: look no further.
    const std::size_t semicolon = text_.substr(0, std::min(text_.size(), at_ + 13)).find(';', at_);
    if (semicolon == std::string_view::npos) throw Unreadable{};
    const std::string_view name = text_.substr(at_ + 1, semicolon - at_ - 1);
    at_ = semicolon + 1;
    static constexpr std::pair<std::string_view, char> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : named) {
      if (name == entity) {
        out.push_back(character);
        return;
      }
    }
    if (name.size() < 2 || name[0] != '#') throw Unreadable{};
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) throw Unreadable{};
    std::uint32_t c = 0;
    for (const char d : digits) {
      int digit = -1;
      if (d >= '0' && d <= '9') digit = d - '0';
      else if (hex && d >= 'a' && d <= 'f') digit = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') digit = d - 'A' + 10;
      if (digit < 0) throw Unreadable{};
      c = c * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      if (c > 0x10FFFF) throw Unreadable{};
    }
    if (!isXmlCharacter(c)) throw Unreadable{};
    appendUtf8(out, c);
  }

  // White space, comments and processing instructions; with `prolog`, also the document type
  // declaration (once).
  void misc(bool prolog) {
    for (;;) {
      while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
      // Mostly an element comes next.
      if (at_ + 1 >= text_.size() || text_[at_] != '<' || (text_[at_ + 1] != '!' && text_[at_ + 1] != '?')) return;
      if (startsWith("<!--")) {
        comment();
      } else if (startsWith("<?")) {
        processingInstruction();
      } else if (prolog && startsWith("<!DOCTYPE")) {
        documentType();
        prolog = false;
      } else {
        return;
      }
    }
  }

  // "<!--" ... "-->", with no "--" inside.
  void comment() {
    const std::size_t dashes = text_.find("--", at_ + 4);
    if (dashes == std::string_view::npos || dashes + 2 >= text_.size() || text_[dashes + 2] != '>') throw Unreadable{};
    at_ = dashes + 3;
  }

  // "<?target ...?>"; the target "xml" is the declaration, which only the very start may hold.
  void processingInstruction() {
    at_ += 2;
    const std::string_view target = name();
    if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
      throw Unreadable{};
    if (!startsWith("?>") && (at_ >= text_.size() || !isSpace(text_[at_]))) throw Unreadable{};
    const std::size_t end = text_.find("?>", at_);
    if (end == std::string_view::npos) throw Unreadable{};
    at_ = end + 2;
  }

  // "<!DOCTYPE" S Name (S ExternalID)? S? ("[" internal subset "]" S?)? ">". The internal subset
  // holds declarations of elements, attributes and notations, comments, processing instructions
  // and white space, nothing else; in particular no entity declaration: a document using its own
  // entities is not a property list.
  void documentType() {
    at_ += 9;
    requireSpace();
    name();
    const std::size_t afterName = at_;
    skipSpace();
    if (at_ > afterName && (startsWith("SYSTEM") || startsWith("PUBLIC"))) {
      externalIdentifier(false);
      skipSpace();
    }
    if (startsWith("[")) {
      ++at_;
      internalSubset();
      skipSpace();
    }
    if (!startsWith(">")) throw Unreadable{};
    ++at_;
  }

  void internalSubset() {
    for (;;) {
      skipSpace();
      if (at_ >= text_.size()) throw Unreadable{};
      if (text_[at_] == ']') {
        ++at_;
        return;
      }
      if (startsWith("<!--")) {
        comment();
      } else if (startsWith("<?")) {
        processingInstruction();
      } else if (startsWith("<!")) {
        declaration();
      } else if (startsWith("%")) {
        // A parameter-entity reference names nothing here (none can be declared): it is skipped.
        ++at_;
        name();
        if (!startsWith(";")) throw Unreadable{};
        ++at_;
      } else {
        throw Unreadable{};  // text
      }
    }
  }

  // "<!ELEMENT", "<!ATTLIST" or "<!NOTATION" declarations as XML spells them. An entity
  // declaration is refused, and so is a parameter-entity reference inside a declaration.
  void declaration() {
    at_ += 2;
    const std::string_view keyword = at_ < text_.size() && isNameStart(text_[at_]) ? name() : std::string_view();
    if (keyword != "ELEMENT" && keyword != "ATTLIST" && keyword != "NOTATION") throw Unreadable{};
    requireSpace();
    name();
    if (keyword == "ELEMENT") {
      requireSpace();
      if (startsWith("EMPTY")) at_ += 5;
      else if (startsWith("ANY")) at_ += 3;
      else if (startsWith("(")) contentParticle(0);
      else throw Unreadable{};
    } else if (keyword == "ATTLIST") {
      attributeDefinitions();
    } else {
      requireSpace();
      externalIdentifier(true);
    }
    skipSpace();
    expect(">");
  }

  // A name or a group in parentheses, then "?", "*" or "+" at most once.
  void contentParticle(std::size_t level) {
    if (startsWith("(")) group(level + 1);
    else name();
    if (startsWith("?") || startsWith("*") || startsWith("+")) ++at_;
  }

  // "(" cp ("|" cp)+ ")" or "(" cp ("," cp)* ")"; at the top also "(#PCDATA)" or
  // "(#PCDATA | Name ...)*". Groups nest no deeper than containers may.
  void group(std::size_t level) {
    if (level > kMaxPropertyListDepth) throw Unreadable{};
    ++at_;
    skipSpace();
    if (level == 1 && startsWith("#PCDATA")) {
      at_ += 7;
      bool names = false;
      for (skipSpace(); startsWith("|"); skipSpace(), names = true) {
        ++at_;
        skipSpace();
        name();
      }
      expect(names ? ")*" : ")");
      if (!names && startsWith("*")) ++at_;
      if (startsWith("?") || startsWith("*") || startsWith("+")) throw Unreadable{};
      return;
    }
    contentParticle(level);
    char separator = 0;
    for (skipSpace(); startsWith("|") || startsWith(","); skipSpace()) {
      if (separator && text_[at_] != separator) throw Unreadable{};
      separator = text_[at_++];
      skipSpace();
      contentParticle(level);
    }
    expect(")");
  }

  // (S Name S type S default)* S?, up to the declaration's ">".
  void attributeDefinitions() {
    static constexpr std::string_view types[] = {"CDATA", "ID", "IDREF", "IDREFS", "ENTITY", "ENTITIES", "NMTOKEN", "NMTOKENS"};
    for (;;) {
      const std::size_t before = at_;
      skipSpace();
      if (startsWith(">") || at_ == before) return;
      name();
      requireSpace();
      if (startsWith("(")) {
        enumeration();
      } else {
        const std::string_view type = name();
        if (type == "NOTATION") {
          requireSpace();
          enumeration();
        } else if (std::find(std::begin(types), std::end(types), type) == std::end(types)) {
          throw Unreadable{};
        }
      }
      requireSpace();
      if (startsWith("#REQUIRED")) {
        at_ += 9;
      } else if (startsWith("#IMPLIED")) {
        at_ += 8;
      } else {
        if (startsWith("#FIXED")) {
          at_ += 6;
          requireSpace();
        }
        attributeValue();
      }
    }
  }

  // "(" name characters ("|" name characters)* ")".
  void enumeration() {
    expect("(");
    do {
      skipSpace();
      const std::size_t start = at_;
      while (at_ < text_.size() && isNameCharacter(text_[at_])) ++at_;
      if (at_ == start) throw Unreadable{};
      skipSpace();
    } while (startsWith("|") && ++at_);
    expect(")");
  }

  // "SYSTEM" S literal, or "PUBLIC" S identifier, then S literal (optional in a notation).
  void externalIdentifier(bool systemLiteralOptional) {
    const bool isPublic = startsWith("PUBLIC");
    if (!isPublic && !startsWith("SYSTEM")) throw Unreadable{};
    at_ += 6;
    requireSpace();
    literal(isPublic);
    if (!isPublic) return;
    const std::size_t before = at_;
    skipSpace();
    if (systemLiteralOptional && (startsWith(">") || at_ == before)) return;
    if (at_ == before) throw Unreadable{};
    literal(false);
  }

  void expect(std::string_view expected) {
    if (!startsWith(expected)) throw Unreadable{};
    at_ += expected.size();
  }

  // A quoted system literal, or a public identifier of the characters XML allows in one.
  void literal(bool publicIdentifier) {
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) throw Unreadable{};
    const char quote = text_[at_];
    const std::size_t end = text_.find(quote, at_ + 1);
    if (end == std::string_view::npos) throw Unreadable{};
    if (publicIdentifier) {
      static constexpr std::string_view punctuation = " \n-'()+,./:=?;!*#@$_%";
      for (std::size_t i = at_ + 1; i < end; ++i) {
        const char c = text_[i];
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric && punctuation.find(c) == std::string_view::npos) throw Unreadable{};
      }
    }
    at_ = end + 1;
  }

  void skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
  }
  void requireSpace() {
    if (at_ >= text_.size() || !isSpace(text_[at_])) throw Unreadable{};
    skipSpace();
  }

  bool atEndTag() const { return at_ + 1 < text_.size() && text_[at_] == '<' && text_[at_ + 1] == '/'; }

  Tag startTag() {
    if (at_ >= text_.size() || text_[at_] != '<') throw Unreadable{};
    ++at_;
    Tag tag{name()};
    std::vector<std::string_view> attributes;  // an element names each attribute once
    const auto namedOnce = [&attributes] {
      std::sort(attributes.begin(), attributes.end());
      if (std::adjacent_find(attributes.begin(), attributes.end()) != attributes.end()) throw Unreadable{};
    };
    for (;;) {
      const std::size_t before = at_;
      while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
      if (at_ < text_.size() && text_[at_] == '>') {
        ++at_;
        namedOnce();
        return tag;
      }
      if (startsWith("/>")) {
        at_ += 2;
        tag.empty = true;
        namedOnce();
        return tag;
      }
      if (at_ == before) throw Unreadable{};  // attributes are set apart by white space
      attributes.push_back(attribute());
    }
  }

  // name="value" or name='value'; the value is checked as XML has it and otherwise ignored.
  std::string_view attribute() {
    const std::string_view attributeName = name();
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    if (!startsWith("=")) throw Unreadable{};
    ++at_;
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    attributeValue();
    return attributeName;
  }

  // A quoted attribute value, its references checked.
  void attributeValue() {
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) throw Unreadable{};
    const char quote = text_[at_++];
    const std::size_t end = text_.find(quote, at_);
    if (end == std::string_view::npos) throw Unreadable{};
    std::string ignored;
    while (at_ < end) {
      const char c = text_[at_];
      if (c == '<') throw Unreadable{};
      if (c == '&') {
        reference(ignored);
        if (at_ > end) throw Unreadable{};
      } else {
        ++at_;
      }
    }
    at_ = end + 1;
  }

  void endTag(std::string_view expected) {
    // Mostly "</name>" exactly.
    if (text_.size() - at_ >= expected.size() + 3 && text_[at_ + 2 + expected.size()] == '>' &&
        text_.compare(at_ + 2, expected.size(), expected) == 0 && text_[at_ + 1] == '/' && text_[at_] == '<') {
      at_ += expected.size() + 3;
      return;
    }
    if (!startsWith("</")) throw Unreadable{};
    at_ += 2;
    if (name() != expected) throw Unreadable{};
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    if (at_ >= text_.size() || text_[at_] != '>') throw Unreadable{};
    ++at_;
  }

  std::string_view name() {
    const std::size_t start = at_;
    if (at_ >= text_.size() || !isNameStart(text_[at_])) throw Unreadable{};
    while (at_ < text_.size() && isNameCharacter(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
  }

  bool startsWith(std::string_view expected) const { return text_.substr(at_).starts_with(expected); }

  static constexpr std::size_t kUnknown = std::string_view::npos;

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t nextAngle_ = kUnknown;  // the first "<" at or after some earlier reading position
};

// XML reads CR LF and a lone CR as LF before anything else.
std::string withNormalisedLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out.push_back(text[i]);
      continue;
    }
    out.push_back('\n');
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

}  // namespace

std::optional<PlistObject> readXmlPropertyList(std::string_view bytes) {
  std::string decoded;
  const auto text = xmlDocumentAsUtf8(bytes, decoded);
  if (!text || !isXmlText(*text)) return std::nullopt;
  try {
    if (text->find('\r') == std::string_view::npos) return Reader(*text).document();
    const std::string normalised = withNormalisedLineEnds(*text);
    return Reader(normalised).document();
  } catch (const Unreadable&) {
    return std::nullopt;
  }
}

}  // namespace amberloom::platform
