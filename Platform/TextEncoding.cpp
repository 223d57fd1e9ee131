#include "Platform/TextEncoding.hpp"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace amberloom::platform {

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

namespace {

// The code point starting at `i` (advanced past it), or none for an ill-formed sequence.
std::optional<std::uint32_t> nextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(text[at]); };
  const std::uint8_t lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length;
  std::uint32_t c, minimum;
  if ((lead & 0xE0) == 0xC0) length = 2, c = lead & 0x1F, minimum = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, c = lead & 0x0F, minimum = 0x800;
  else if ((lead & 0xF8) == 0xF0) length = 4, c = lead & 0x07, minimum = 0x10000;
  else return std::nullopt;
  if (text.size() - i < length) return std::nullopt;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  i += length;
  return c;
}

constexpr std::ptrdiff_t kBlock = 32;

// Whether the kBlock bytes at `at` are all ASCII, and with `kXml` none of them a control character
// XML cannot carry. Written without a branch per byte, so that the compiler can test many at once.
template <bool kXml>
bool plainAsciiBlock(const char* at) {
  unsigned bad = 0;
  for (std::ptrdiff_t k = 0; k < kBlock; ++k) {
    const auto c = static_cast<unsigned char>(at[k]);
    bad |= c >> 7;
    if constexpr (kXml) bad |= static_cast<unsigned>(c < 0x20) & (c != '\t') & (c != '\n') & (c != '\r');
  }
  return bad == 0;
}

// Whether `text` is well-formed UTF-8, with `kXml` only of characters XML can carry.
template <bool kXml>
bool everyCodePoint(std::string_view text) {
  const auto plainAscii = [](unsigned char c) {
    return c < 0x80 && (!kXml || c >= 0x20 || c == '\t' || c == '\n' || c == '\r');
  };
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* at = begin; at < end;) {
    // Plain ASCII, most of any text, is passed over a block at a time.
    while (end - at >= kBlock && plainAsciiBlock<kXml>(at)) at += kBlock;
    while (at < end && plainAscii(static_cast<unsigned char>(*at))) ++at;
    if (at == end) break;
    if (static_cast<unsigned char>(*at) < 0x80) return false;  // a control character XML cannot carry
    std::size_t i = static_cast<std::size_t>(at - begin);
    const auto c = nextCodePoint(text, i);
    if (!c || (kXml && !isXmlCharacter(*c))) return false;
    at = begin + i;
  }
  return true;
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const auto unit = [&](std::size_t at) {
    const auto first = static_cast<std::uint8_t>(bytes[at]), second = static_cast<std::uint8_t>(bytes[at + 1]);
    return static_cast<std::uint32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 4 > bytes.size()) return std::nullopt;
      const std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(out, c);
  }
  return out;
}

}  // namespace

bool isValidUtf8(std::string_view text) { return everyCodePoint<false>(text); }

bool isXmlCharacter(std::uint32_t c) {
  if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
  return (c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool isXmlText(std::string_view text) { return everyCodePoint<true>(text); }

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) appendUtf8(out, b);
  return out;
}

std::optional<std::string> utf16BigEndianToUtf8(std::string_view bytes) { return utf16ToUtf8(bytes, true); }

std::optional<std::string> utf16LittleEndianToUtf8(std::string_view bytes) { return utf16ToUtf8(bytes, false); }

std::optional<std::string> encodedTextToUtf8(std::string_view bytes, const std::string& encoding) {
  // iconv rather than a library of its own: the `defaults` command reads such files too, and it
  // must not load more than it needs at every start. No "//TRANSLIT" or "//IGNORE": a byte the
  // encoding has no character for fails the conversion.
  const iconv_t converter = ::iconv_open("UTF-8", encoding.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  std::size_t written = 0;
  bool flushing = false;  // all input converted: a last call ends a stateful encoding's shift state
  bool ok = true;
  while (ok) {
    char* to = out.data() + written;
    std::size_t outLeft = out.size() - written;
    const std::size_t result = flushing ? ::iconv(converter, nullptr, nullptr, &to, &outLeft)
                                        : ::iconv(converter, &in, &inLeft, &to, &outLeft);
    written = out.size() - outLeft;
    if (result == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) out.resize(out.size() * 2);
      else ok = false;  // no character for a sequence, or one cut off at the end
    } else if (!flushing) {
      flushing = true;
    } else {
      break;
    }
  }
  ::iconv_close(converter);
  if (!ok) return std::nullopt;
  out.resize(written);
  return out;
}

std::optional<std::string> utf8ToUtf16BigEndian(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto put = [&](std::uint32_t u) {
    out.push_back(static_cast<char>(u >> 8));
    out.push_back(static_cast<char>(u & 0xFF));
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = nextCodePoint(text, i);
    if (!c) return std::nullopt;
    if (*c < 0x10000) {
      put(*c);
    } else {
      put(0xD800 + ((*c - 0x10000) >> 10));
      put(0xDC00 + ((*c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

}  // namespace amberloom::platform
