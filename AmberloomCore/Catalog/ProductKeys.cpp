#include "Catalog/ProductKeys.hpp"

#include <algorithm>

#include "Support/Base64.hpp"

namespace amberloom {

std::optional<std::string> ProductKeys::catalogPublicKeyBase64() {
  return std::string("DBQ/ls1VETVve63eikKtBJkKBodX8waFgr/hBhxdc+8=");
}

std::optional<SigningPublicKey> ProductKeys::catalogPublicKey() {
  const auto text = catalogPublicKeyBase64();
  return text ? publicKey(*text) : std::nullopt;
}

std::optional<SigningPublicKey> ProductKeys::publicKey(const std::string& text) {
  const auto bytes = base64::decode(text);
  if (!bytes || bytes->size() != std::tuple_size_v<SigningPublicKey>) return std::nullopt;
  SigningPublicKey key{};
  std::copy(bytes->begin(), bytes->end(), key.begin());
  return key;
}

}  // namespace amberloom
