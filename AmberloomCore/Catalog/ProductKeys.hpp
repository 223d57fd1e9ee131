#pragma once
// Keys fixed when the application is built. The catalogue signing key checks the signature of a
// fetched catalogue; only its public half is part of the build, the private half is kept by
// whoever publishes catalogues.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace amberloom {

using SigningPublicKey = std::array<std::uint8_t, 32>;  // Ed25519

struct ProductKeys {
  // The catalogue signing public key as Base64 text; none in a build without one.
  static std::optional<std::string> catalogPublicKeyBase64();
  // The same key ready for signature checks; none when the text is missing or not a valid key.
  static std::optional<SigningPublicKey> catalogPublicKey();
  // Decodes a Base64 Ed25519 public key; none unless it is exactly 32 bytes.
  static std::optional<SigningPublicKey> publicKey(const std::string& text);
};

}  // namespace amberloom
