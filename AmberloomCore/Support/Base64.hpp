#pragma once
// Standard Base64 (alphabet with "+" and "/", "=" padding, no line breaks), as every stored file
// and signature of the system writes bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace amberloom::base64 {

std::string encode(const std::uint8_t* bytes, std::size_t length);
inline std::string encode(const std::vector<std::uint8_t>& bytes) { return encode(bytes.data(), bytes.size()); }
inline std::string encode(std::string_view bytes) {
  return encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// None for a character outside the alphabet, bad padding or trailing text.
std::optional<std::vector<std::uint8_t>> decode(std::string_view text);

}  // namespace amberloom::base64
