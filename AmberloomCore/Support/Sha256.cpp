#include "Support/Sha256.hpp"

#include <sodium.h>

namespace amberloom {

Sha256Digest sha256(std::string_view bytes) {
  Sha256Digest digest{};
  crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return digest;
}

std::string sha256Hex(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(64);
  for (const std::uint8_t byte : sha256(bytes)) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 15]);
  }
  return text;
}

}  // namespace amberloom
