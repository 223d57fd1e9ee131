#include "Catalog/CatalogChannel.hpp"

#include <sodium.h>

#include <filesystem>

#include "Platform/AtomicFile.hpp"
#include "Platform/FolderLock.hpp"
#include "Support/Base64.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/Log.hpp"
#include "Catalog/CatalogEndpoints.hpp"
#include "Platform/HomeDirectory.hpp"

namespace amberloom {
namespace {

std::string base64Decode(const std::string& text, const CodingPath& path) {
  const auto bytes = base64::decode(text);
  if (!bytes) throw DecodingError(DecodingError::Kind::dataCorrupted, path, "Encountered Data is not valid Base64.");
  return std::string(bytes->begin(), bytes->end());
}

// Ed25519 over the whole of `data`. A signature of any other length than 64 bytes fails.
bool isSigned(const SignedCatalog& catalog, const SigningPublicKey& key) {
  if (sodium_init() < 0 || catalog.signature.size() != crypto_sign_BYTES) return false;
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(catalog.signature.data()),
                                     reinterpret_cast<const unsigned char*>(catalog.data.data()),
                                     catalog.data.size(), key.data()) == 0;
}

// The verified bytes themselves are parsed: nothing is re-encoded between the check and the use.
std::optional<SettingsCatalog> readable(const std::string& data) {
  try {
    return SettingsCatalog::fromData(data);
  } catch (...) {
    log::dropped(log::Area::catalog, "A signed catalogue does not read as one");
    return std::nullopt;
  }
}

SettingsCatalog builtIn() {
  try {
    return SettingsCatalog::bundled();
  } catch (...) {
    log::dropped(log::Area::catalog, "The built-in catalogue cannot be read; an empty one stands in");
    return SettingsCatalog(SettingsCatalog::supportedSchemaVersion, 0, {});
  }
}

}  // namespace

Json SignedCatalog::toJson() const {
  return Json{{"data", base64::encode(data)}, {"signature", base64::encode(signature)}};
}

SignedCatalog SignedCatalog::fromJson(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  const auto bytes = [&](const char* key) {
    const CodingPath memberPath = appending(path, key);
    return base64Decode(decodeString(member(json, key, path), memberPath), memberPath);
  };
  std::string data = bytes("data");
  return SignedCatalog{std::move(data), bytes("signature")};
}

void CatalogCache::replace(const SignedCatalog& catalog,
                           const std::function<bool(const SignedCatalog& stored)>& keepsStored) {
  if (const auto stored = read(); stored && keepsStored(*stored)) return;
  write(catalog);
}

FileCatalogCache FileCatalogCache::standard() {
  const std::string folder = platform::applicationSupportDirectory() + "/AmberLoom";
  platform::createPrivateFolders(folder);
  return FileCatalogCache(folder + "/" + std::string(fileName));
}

std::optional<SignedCatalog> FileCatalogCache::read() const {
  std::string bytes;
  if (!platform::readWholeFile(url_, bytes)) return std::nullopt;
  try {
    return SignedCatalog::fromJson(parseJson(bytes));
  } catch (const DecodingError&) {
    log::dropped(log::Area::catalog, "The cached catalogue " + url_ + " is not one; it is left alone");
    return std::nullopt;
  }
}

void FileCatalogCache::write(const SignedCatalog& catalog) {
  try {
    platform::writeFileAtomically(url_, writeJson(catalog.toJson()));
  } catch (...) {
    // The previous file, if any, stays.
    log::dropped(log::Area::catalog, "The downloaded catalogue cannot be cached in " + url_);
  }
}

void FileCatalogCache::replace(const SignedCatalog& catalog,
                               const std::function<bool(const SignedCatalog& stored)>& keepsStored) {
  const std::filesystem::path folder = std::filesystem::path(url_).parent_path();
  const platform::FolderLock lock(folder.empty() ? "." : folder.string());
  // Unlocked, another process's newer copy could be lost: the cache is left as it is.
  if (!lock.locked())
    return log::warning(log::Area::catalog, "The catalogue cache's folder " + folder.string() +
                                                " cannot be locked (" + lock.error().message() + "); it is not updated");
  CatalogCache::replace(catalog, keepsStored);
}

CatalogChannel CatalogChannel::production(SigningPublicKey publicKey, const std::string& host,
                                          std::shared_ptr<HttpSession> session) {
  const CatalogEndpoint endpoint = CatalogEndpoint::standard(host);
  return CatalogChannel(publicKey, std::make_shared<FileCatalogCache>(FileCatalogCache::standard()),
                        [endpoint, session = std::move(session)] { return endpoint.fetch(session); });
}

std::future<CatalogLoadResult> CatalogChannel::load() const {
  return runInBackground([channel = *this] { return channel.loadNow(); });
}

CatalogLoadResult CatalogChannel::loadNow() const {
  // A cached copy counts only when it verifies and reads, every time; otherwise it is left alone.
  std::optional<SettingsCatalog> cached;
  std::optional<SignedCatalog> stored;
  try {
    if (cache_) stored = cache_->read();
  } catch (...) {
    log::dropped(log::Area::catalog, "The cached catalogue cannot be read");
  }
  if (stored && isSigned(*stored, publicKey_)) cached = readable(stored->data);

  const auto fallBack = [&](bool needsAppUpdate) {
    if (cached) return CatalogLoadResult{*cached, CatalogSource::cache, needsAppUpdate};
    return CatalogLoadResult{builtIn(), CatalogSource::bundled, needsAppUpdate};
  };

  SignedCatalog fetched;
  try {
    fetched = awaitResult(fetch_());
  } catch (...) {
    log::dropped(log::Area::catalog, "No catalogue could be downloaded; the cached or built-in one stays");
    return fallBack(false);
  }
  if (!isSigned(fetched, publicKey_)) return fallBack(false);
  auto catalog = readable(fetched.data);
  if (!catalog) return fallBack(true);
  // A tie goes to the server's copy, which then rewrites the cache, unless another process has
  // cached a newer one since.
  if (catalog->catalogVersion() < (cached ? cached->catalogVersion() : 0)) return fallBack(false);
  try {
    if (cache_)
      cache_->replace(fetched, [&](const SignedCatalog& stored) {
        if (!isSigned(stored, publicKey_)) return false;
        const auto storedCatalog = readable(stored.data);
        return storedCatalog && storedCatalog->catalogVersion() > catalog->catalogVersion();
      });
  } catch (...) {
    log::dropped(log::Area::catalog, "The downloaded catalogue cannot be cached");
  }
  return CatalogLoadResult{std::move(*catalog), CatalogSource::network, false};
}

}  // namespace amberloom
