#include "Platform/XmlDocumentEncoding.hpp"

#include "Platform/TextEncoding.hpp"

namespace amberloom::platform {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The pseudo-attributes of a declaration, in the one order XML allows.
class DeclarationReader {
 public:
  explicit DeclarationReader(std::string_view text) : text_(text) {}

  std::optional<std::size_t> read(std::optional<std::string>& encoding) {
    at_ = 5;  // "<?xml"
    const auto version = attribute("version");
    if (!version || version->size() < 3 || !version->starts_with("1.")) return std::nullopt;
    for (const char c : version->substr(2))
      if (!isDigit(c)) return std::nullopt;
    if (const auto name = attribute("encoding")) {
      if (!isLetter(name->front())) return std::nullopt;
      for (const char c : *name)
        if (!isLetter(c) && !isDigit(c) && c != '.' && c != '_' && c != '-') return std::nullopt;
      encoding = std::string(*name);
    }
    if (const auto standalone = attribute("standalone"); standalone && *standalone != "yes" && *standalone != "no")
      return std::nullopt;
    if (failed_) return std::nullopt;
    skipSpace();
    if (text_.substr(at_, 2) != "?>") return std::nullopt;
    return at_ + 2;
  }

 private:
  // The value of the pseudo-attribute `name` when it comes next (white space before it); none
  // when another comes, or nothing. A malformed one sets `failed_`.
  std::optional<std::string_view> attribute(std::string_view name) {
    if (failed_) return std::nullopt;
    const std::size_t start = at_;
    skipSpace();
    if (at_ == start || text_.substr(at_, name.size()) != name) {
      at_ = start;
      return std::nullopt;
    }
    at_ += name.size();
    skipSpace();
    if (at_ >= text_.size() || text_[at_] != '=') return fail();
    ++at_;
    skipSpace();
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return fail();
    const char quote = text_[at_++];
    const std::size_t end = text_.find(quote, at_);
    if (end == std::string_view::npos || end == at_) return fail();
    const std::string_view value = text_.substr(at_, end - at_);
    at_ = end + 1;
    return value;
  }
  std::nullopt_t fail() {
    failed_ = true;
    return std::nullopt;
  }
  void skipSpace() {
    while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<std::size_t> xmlDeclaration(std::string_view text, std::optional<std::string>& encoding) {
  // "<?xml-stylesheet" and the like are processing instructions, not a declaration.
  if (!text.starts_with("<?xml") || text.size() < 6 || (!isSpace(text[5]) && text[5] != '?')) return 0;
  return DeclarationReader(text).read(encoding);
}

std::optional<std::string_view> xmlDocumentAsUtf8(std::string_view bytes, std::string& storage) {
  enum class Mark { none, utf8, utf16 } mark = Mark::none;
  std::string_view text = bytes;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    mark = Mark::utf8;
    text.remove_prefix(3);
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    mark = Mark::utf16;
    auto decoded = bytes[0] == '\xFF' ? utf16LittleEndianToUtf8(bytes.substr(2)) : utf16BigEndianToUtf8(bytes.substr(2));
    if (!decoded) return std::nullopt;
    storage = std::move(*decoded);
    text = storage;
  }

  std::optional<std::string> declared;
  const auto declarationEnd = xmlDeclaration(text, declared);
  if (!declarationEnd) return std::nullopt;
  const std::string name = declared ? lowerCase(*declared) : std::string();
  const bool declaresUtf8 = name == "utf-8" || name == "utf8";
  switch (mark) {
    case Mark::utf8:
      if (declared && !declaresUtf8) return std::nullopt;
      return text;
    case Mark::utf16:
      if (declared && !name.starts_with("utf-16")) return std::nullopt;
      return text;
    case Mark::none:
      break;
  }
  if (!declared || declaresUtf8) return text;
  // Without a mark, the declaration could be read only because the encoding keeps ASCII as it is;
  // one that does not (UTF-16, UTF-32, UTF-7, EBCDIC) cannot have named itself so.
  if (name.starts_with("utf-16") || name.starts_with("utf-32") || name.starts_with("ucs-") || name.starts_with("utf-7"))
    return std::nullopt;
  auto converted = encodedTextToUtf8(bytes, *declared);
  if (!converted || !converted->starts_with(bytes.substr(0, *declarationEnd))) return std::nullopt;
  storage = std::move(*converted);
  return std::string_view(storage);
}

}  // namespace amberloom::platform
