#pragma once
// The catalogue update channel: replaces the built-in settings catalogue with a newer one from the
// server, trusting nothing but an Ed25519 signature over the catalogue's exact bytes. A load reads
// and re-verifies the cached copy, fetches the server's copy, and gives the newest catalogue that
// verifies and that this build can read: the fetched one (then cached), else the cached one, else
// the built-in one. A correctly signed catalogue this build cannot read also says that the
// application needs an update.

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Support/Json.hpp"
#include "Catalog/ProductKeys.hpp"
#include "Catalog/SettingsCatalog.hpp"

namespace amberloom {

class HttpSession;

struct SignedCatalog {
  std::string data;       // the catalogue JSON exactly as published
  std::string signature;  // Ed25519 over `data`; 64 bytes when well formed

  bool operator==(const SignedCatalog&) const = default;

  // {"data": "<Base64>", "signature": "<Base64>"} (standard alphabet, with padding).
  Json toJson() const;
  // Extra members are ignored. Throws DecodingError for a missing member, one that is not a string,
  // or a string that is not valid Base64.
  static SignedCatalog fromJson(const Json& json, const CodingPath& path = {});
};

enum class CatalogSource { network, cache, bundled };

struct CatalogLoadResult {
  SettingsCatalog catalog;
  CatalogSource source;
  bool needsAppUpdate = false;  // the server sent a correctly signed catalogue this build cannot read
};

// Where the last accepted signed catalogue is kept. Neither call reports an error.
class CatalogCache {
 public:
  virtual ~CatalogCache() = default;
  // The stored catalogue, or none.
  virtual std::optional<SignedCatalog> read() const = 0;
  // Replaces the stored catalogue; on failure the previous one stays.
  virtual void write(const SignedCatalog& catalog) = 0;
  // Replaces the stored catalogue unless `keepsStored` says the one stored now (read afresh, since
  // another process may have replaced it meanwhile) should stay. By default a read, then a write.
  virtual void replace(const SignedCatalog& catalog, const std::function<bool(const SignedCatalog& stored)>& keepsStored);
};

// The cache as one compact JSON file, written atomically; `replace` reads and writes it under the
// advisory lock of its folder. A missing, unreadable or undecodable file reads as none and is left
// alone.
class FileCatalogCache final : public CatalogCache {
 public:
  static constexpr std::string_view fileName = "catalog.cache.json";

  explicit FileCatalogCache(std::string url) : url_(std::move(url)) {}
  // ~/Library/Application Support/AmberLoom/catalog.cache.json; creates the folder, ignoring a
  // failure (writes then fail silently).
  static FileCatalogCache standard();

  const std::string& url() const { return url_; }
  std::optional<SignedCatalog> read() const override;
  void write(const SignedCatalog& catalog) override;
  void replace(const SignedCatalog& catalog, const std::function<bool(const SignedCatalog& stored)>& keepsStored) override;

 private:
  std::string url_;
};

class CatalogChannel {
 public:
  // Downloads the server's signed catalogue; the future throws when the transfer fails.
  using Fetch = std::function<std::future<SignedCatalog>()>;

  CatalogChannel(SigningPublicKey publicKey, std::shared_ptr<CatalogCache> cache, Fetch fetch)
      : publicKey_(publicKey), cache_(std::move(cache)), fetch_(std::move(fetch)) {}

  // The standard file cache and the standard endpoint of `host` (CatalogEndpoints.hpp), downloaded
  // through `session`. How long a download may take is the session's limit.
  static CatalogChannel production(SigningPublicKey publicKey, const std::string& host,
                                   std::shared_ptr<HttpSession> session);

  const SigningPublicKey& publicKey() const { return publicKey_; }
  const std::shared_ptr<CatalogCache>& cache() const { return cache_; }
  const Fetch& fetch() const { return fetch_; }

  // Returns at once; the work runs on the worker pool (the future may be dropped). The future
  // never holds an exception: every failure ends in the cached or the built-in catalogue. A built-in
  // catalogue that cannot be read gives an empty catalogue. Never throws: when no thread can be
  // started the work runs on the caller's thread.
  std::future<CatalogLoadResult> load() const;

 private:
  CatalogLoadResult loadNow() const;

  SigningPublicKey publicKey_;
  std::shared_ptr<CatalogCache> cache_;
  Fetch fetch_;
};

}  // namespace amberloom
