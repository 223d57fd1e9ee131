#include "ProductKeys.hpp"

#include <sodium.h>

namespace amberloom {

std::optional<std::string> ProductKeys::catalogPublicKeyBase64() {
  return std::string("DBQ/ls1VETVve63eikKtBJkKBodX8waFgr/hBhxdc+8=");
}

std::optional<SigningPublicKey> ProductKeys::catalogPublicKey() {
  const auto text = catalogPublicKeyBase64();
  return text ? publicKey(*text) : std::nullopt;
}

std::optional<SigningPublicKey> ProductKeys::publicKey(const std::string& base64) {
  SigningPublicKey key{};
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(key.data(), key.size(), base64.data(), base64.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != base64.data() + base64.size() || length != key.size())
    return std::nullopt;
  return key;
}

}  // namespace amberloom
