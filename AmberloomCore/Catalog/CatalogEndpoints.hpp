#pragma once
// Where the signed catalogue is published: the catalogue file and its detached signature (raw
// signature bytes, not Base64), on the application's server.

#include <cstddef>
#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "Catalog/CatalogChannel.hpp"

namespace amberloom {

class HttpSession;

struct CatalogEndpoint {
  std::string catalogURL;
  std::string signatureURL;

  // "https://<host>/catalog/v1/latest.json" and the same with ".sig"; the host is inserted as it is
  // (a host that does not form a valid URL makes every fetch fail).
  static CatalogEndpoint standard(const std::string& host);

  // The largest bodies taken: a longer one fails its transfer instead of filling memory (a
  // signature of any other length than 64 bytes could never verify).
  static constexpr std::size_t maxCatalogBytes = 16u << 20;
  static constexpr std::size_t maxSignatureBytes = 64;

  // Downloads both files at once, off the caller's thread. The response status is not looked at:
  // whatever body arrives counts, and the signature check turns an error page away. The future
  // throws HttpTransferError when a transfer fails or a body is over its limit: the catalogue's
  // error first (the signature download is then cancelled and its end awaited), else the
  // signature's.
  std::future<SignedCatalog> fetch(std::shared_ptr<HttpSession> session) const;
};

struct CatalogEndpoints {
  // The application's server; it also serves the account interface.
  static constexpr std::string_view productionHost = "api.winterbrae.tv";
};

}  // namespace amberloom
