#pragma once
// Where the signed catalogue is published: the catalogue file and its detached signature (raw
// signature bytes, not Base64), on the application's server.

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

  // Downloads both files at once, off the caller's thread. The response status is not looked at:
  // whatever body arrives counts, and the signature check turns an error page away. The future
  // throws HttpTransferError when a transfer fails: the catalogue's error first (the signature
  // download is then cancelled and its end awaited), else the signature's.
  std::future<SignedCatalog> fetch(std::shared_ptr<HttpSession> session) const;
};

struct CatalogEndpoints {
  // The application's server; it also serves the account interface.
  static constexpr std::string_view productionHost = "api.winterbrae.tv";
};

}  // namespace amberloom
