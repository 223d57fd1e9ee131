#pragma once
// SHA-256 digests, for checksums and names derived from text.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace amberloom {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of `bytes`. Never fails.
Sha256Digest sha256(std::string_view bytes);
// The digest as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace amberloom
