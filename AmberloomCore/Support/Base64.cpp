#include "Support/Base64.hpp"

#include <sodium.h>

namespace amberloom::base64 {

std::string encode(const std::uint8_t* bytes, std::size_t length) {
  std::string text(sodium_base64_ENCODED_LEN(length, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes, length, sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);  // the terminating NUL
  return text;
}

std::optional<std::vector<std::uint8_t>> decode(std::string_view text) {
  std::vector<std::uint8_t> bytes(text.size() / 4 * 3 + 3);
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size())
    return std::nullopt;
  bytes.resize(length);
  return bytes;
}

}  // namespace amberloom::base64
