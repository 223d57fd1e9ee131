#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <optional>

#include "Catalog/CatalogChannel.hpp"
#include "Catalog/CatalogEndpoints.hpp"
#include "Support/HttpSession.hpp"
#include "LoopbackServer.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using amberloom::testing::LoopbackServer;
using amberloom::testing::PlainLoopbackSession;
using Failure = LoopbackServer::Failure;
using namespace std::chrono_literals;

namespace {

constexpr const char* kCatalogPath = "/catalog/v1/latest.json";
constexpr const char* kSignaturePath = "/catalog/v1/latest.json.sig";

struct Signer {
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
  unsigned char secretKey[crypto_sign_SECRETKEYBYTES];

  Signer() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium");
    crypto_sign_keypair(publicKey, secretKey);
  }
  SigningPublicKey key() const {
    SigningPublicKey key;
    std::copy(std::begin(publicKey), std::end(publicKey), key.begin());
    return key;
  }
  std::string sign(const std::string& data) const {
    std::string signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(data.data()), data.size(), secretKey);
    return signature;
  }
};

std::string base64(const std::string& bytes) {
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  text.pop_back();
  return text;
}

std::string unbase64(const std::string& text) {
  std::string bytes(text.size(), '\0');
  std::size_t length = 0;
  sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), text.data(), text.size(), nullptr,
                    &length, nullptr, sodium_base64_VARIANT_ORIGINAL);
  bytes.resize(length);
  return bytes;
}

// A one-setting catalogue whose setting id names where it came from.
std::string catalogue(std::optional<std::int64_t> version, const std::string& id, std::int64_t schema = 1) {
  std::string text = "{\"schemaVersion\": " + std::to_string(schema) + ",\n";
  if (version) text += " \"catalogVersion\": " + std::to_string(*version) + ",\n";
  return text + " \"settings\": [{\"id\": \"" + id +
         "\", \"domain\": \"com.example.test\", \"path\": [\"key\"], \"type\": \"bool\", \"label\": \"Test\","
         " \"control\": \"toggle\"}]}\n";
}

std::string onlySettingID(const CatalogLoadResult& result) {
  return result.catalog.settings().size() == 1 ? result.catalog.settings()[0].id : "(not a test catalogue)";
}

bool isBuiltIn(const CatalogLoadResult& result) {
  static const auto builtIn = SettingsCatalog::bundled();
  return result.source == CatalogSource::bundled && result.catalog.catalogVersion() == builtIn.catalogVersion() &&
         result.catalog.settings() == builtIn.settings();
}

class CatalogChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove(cachePath()); }

  static std::string cachePath() {
    return amberloom::testing::home() + "/Library/Application Support/AmberLoom/catalog.cache.json";
  }
  // The cache file as another copy of the application would have left it (an extra member too).
  void storeCache(const std::string& data, const std::string& signature) {
    amberloom::testing::writeFile(cachePath(), "{\"signature\":\"" + base64(signature) + "\",\"data\":\"" +
                                                   base64(data) + "\",\"savedBy\":\"1.0\"}");
  }
  void storeSignedCache(const std::string& data) { storeCache(data, signer.sign(data)); }
  // What the cache file holds, decoded by hand; none when there is no file.
  static std::optional<std::pair<std::string, std::string>> cachedBytes() {
    if (!amberloom::testing::fileExists(cachePath())) return std::nullopt;
    const Json json = Json::parse(amberloom::testing::readFile(cachePath()));
    return std::pair{unbase64(json.at("data").get<std::string>()), unbase64(json.at("signature").get<std::string>())};
  }

  static void publish(LoopbackServer& server, const std::string& data, const std::string& signature) {
    server.serve(kCatalogPath, data);
    server.serve(kSignaturePath, signature);
  }
  void publishSigned(LoopbackServer& server, const std::string& data) { publish(server, data, signer.sign(data)); }

  CatalogLoadResult load(const std::string& host, std::chrono::milliseconds timeout = 5s) {
    session = std::make_shared<PlainLoopbackSession>(timeout);
    auto future = CatalogChannel::production(signer.key(), host, session).load();
    if (future.wait_for(60s) != std::future_status::ready) throw std::runtime_error("load did not finish");
    return future.get();
  }

  Signer signer;
  std::shared_ptr<PlainLoopbackSession> session;
};

TEST_F(CatalogChannelTest, NewestSignedCatalogueWinsAndOnlyAWinnerIsCached) {
  struct Case {
    const char* name;
    std::optional<std::int64_t> cached;
    std::optional<std::int64_t> fetched;
    CatalogSource source;
    const char* settingID;
  };
  const Case cases[] = {
      {"newer than the cache", 5, 6, CatalogSource::network, "fetched"},
      {"as new as the cache (tie)", 5, 5, CatalogSource::network, "fetched"},
      {"older than the cache", 5, 4, CatalogSource::cache, "cached"},
      {"no cache, no catalogue version", std::nullopt, std::nullopt, CatalogSource::network, "fetched"},
      {"no cache, negative version", std::nullopt, -1, CatalogSource::bundled, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(cachePath());
    if (c.cached) storeSignedCache(catalogue(c.cached, "cached"));
    const auto before = cachedBytes();
    LoopbackServer server;
    const std::string fetched = catalogue(c.fetched, "fetched");
    const std::string signature = signer.sign(fetched);
    publish(server, fetched, signature);

    const auto result = load(server.host());

    EXPECT_EQ(result.source, c.source);
    EXPECT_FALSE(result.needsAppUpdate);
    if (c.settingID) EXPECT_EQ(onlySettingID(result), c.settingID);
    else EXPECT_TRUE(isBuiltIn(result));
    if (c.source == CatalogSource::network) {
      EXPECT_EQ(cachedBytes(), std::pair(fetched, signature)) << "the downloaded bytes, exactly";
    } else {
      EXPECT_EQ(cachedBytes(), before) << "the cache is left alone";
    }
    auto urls = session->requestedURLs();
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"https://" + server.host() + kCatalogPath,
                                              "https://" + server.host() + kSignaturePath}));
  }
}

TEST_F(CatalogChannelTest, ServerCatalogueThatDoesNotVerifyOrIsOversizedIsNeverUsed) {
  const Signer stranger;
  struct Case {
    const char* name;
    std::function<void(LoopbackServer&, const std::string&)> setUp;
  };
  const Case cases[] = {
      {"one signature byte changed", [&](auto& s, auto& d) { publishSigned(s, d); s.fail(kSignaturePath, Failure::corrupt); }},
      {"one catalogue byte changed", [&](auto& s, auto& d) { publishSigned(s, d); s.fail(kCatalogPath, Failure::corrupt); }},
      {"unsigned (no signature file)", [&](auto& s, auto& d) { s.serve(kCatalogPath, d); }},
      {"signed by another key", [&](auto& s, auto& d) { publish(s, d, stranger.sign(d)); }},
      {"signature with a line break after it", [&](auto& s, auto& d) { publish(s, d, signer.sign(d) + "\n"); }},
      {"error page instead of the catalogue", [&](auto& s, auto& d) { publishSigned(s, d); s.fail(kCatalogPath, Failure::serverError); }},
      {"catalogue transfer cut short", [&](auto& s, auto& d) { publishSigned(s, d); s.fail(kCatalogPath, Failure::truncated); }},
      {"signed, but longer than any catalogue taken",
       [&](auto& s, auto& d) { publishSigned(s, d + std::string(CatalogEndpoint::maxCatalogBytes, ' ')); }},
  };
  for (const auto& c : cases) {
    for (const bool withCache : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (withCache ? ", with a cache" : ", without a cache"));
      std::filesystem::remove(cachePath());
      if (withCache) storeSignedCache(catalogue(5, "cached"));
      const auto before = cachedBytes();
      LoopbackServer server;
      c.setUp(server, catalogue(9, "fetched"));

      const auto result = load(server.host());

      EXPECT_FALSE(result.needsAppUpdate);
      if (withCache) {
        EXPECT_EQ(result.source, CatalogSource::cache);
        EXPECT_EQ(onlySettingID(result), "cached");
      } else {
        EXPECT_TRUE(isBuiltIn(result));
      }
      EXPECT_EQ(cachedBytes(), before);
    }
  }
}

TEST_F(CatalogChannelTest, SignedCatalogueThisBuildCannotReadAsksForAnAppUpdate) {
  for (const bool withCache : {true, false}) {
    SCOPED_TRACE(withCache ? "with a cache" : "without a cache");
    std::filesystem::remove(cachePath());
    if (withCache) storeSignedCache(catalogue(5, "cached"));
    const auto before = cachedBytes();
    LoopbackServer server;
    publishSigned(server, catalogue(9, "fetched", SettingsCatalog::supportedSchemaVersion + 1));

    const auto result = load(server.host());

    EXPECT_TRUE(result.needsAppUpdate);
    if (withCache) EXPECT_EQ(onlySettingID(result), "cached");
    else EXPECT_TRUE(isBuiltIn(result));
    EXPECT_EQ(cachedBytes(), before) << "nothing is cached";
  }
}

TEST_F(CatalogChannelTest, UnreachableServerFallsBackToTheCacheThenTheBuiltInCatalogue) {
  const std::string offline = LoopbackServer::closedHost();

  const auto withoutCache = load(offline);
  EXPECT_TRUE(isBuiltIn(withoutCache));
  EXPECT_FALSE(withoutCache.needsAppUpdate);
  EXPECT_FALSE(amberloom::testing::fileExists(cachePath()));

  storeSignedCache(catalogue(5, "cached"));
  const auto withCache = load(offline);
  EXPECT_EQ(withCache.source, CatalogSource::cache);
  EXPECT_EQ(onlySettingID(withCache), "cached");
  EXPECT_EQ(withCache.catalog.catalogVersion(), 5);
  EXPECT_FALSE(withCache.needsAppUpdate);
}

TEST_F(CatalogChannelTest, UnusableCacheIsIgnoredLeftInPlaceThenReplacedByTheNextWin) {
  const Signer stranger;
  const std::string good = catalogue(9, "cached");
  const std::pair<const char*, std::string> files[] = {
      {"not JSON", "{\"data\": \"trunc"},
      {"not Base64", "{\"data\":\"@@@@\",\"signature\":\"" + base64(signer.sign(good)) + "\"}"},
      {"a signature member missing", "{\"data\":\"" + base64(good) + "\"}"},
      {"one catalogue byte changed after signing",
       "{\"data\":\"" + base64(catalogue(9, "cachee")) + "\",\"signature\":\"" + base64(signer.sign(good)) + "\"}"},
      {"signed by another key",
       "{\"data\":\"" + base64(good) + "\",\"signature\":\"" + base64(stranger.sign(good)) + "\"}"},
      {"signed, but not a catalogue",
       "{\"data\":\"" + base64("[1]") + "\",\"signature\":\"" + base64(signer.sign("[1]")) + "\"}"},
  };
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    amberloom::testing::writeFile(cachePath(), file);

    const auto offline = load(LoopbackServer::closedHost());
    EXPECT_TRUE(isBuiltIn(offline));
    EXPECT_EQ(amberloom::testing::readFile(cachePath()), file) << "left as it was";

    LoopbackServer server;
    const std::string fetched = catalogue(1, "fetched");  // older than the unusable copy claims to be
    publishSigned(server, fetched);
    const auto online = load(server.host());
    EXPECT_EQ(online.source, CatalogSource::network);
    EXPECT_EQ(onlySettingID(online), "fetched");
    EXPECT_EQ(cachedBytes(), std::pair(fetched, signer.sign(fetched)));
  }
}

TEST_F(CatalogChannelTest, StalledServerHoldsNeitherTheCallerNorTheLoadPastTheSessionLimit) {
  storeSignedCache(catalogue(5, "cached"));
  LoopbackServer server;
  publishSigned(server, catalogue(6, "fetched"));
  server.fail(kCatalogPath, Failure::stall);
  const auto channel =
      CatalogChannel::production(signer.key(), server.host(), std::make_shared<PlainLoopbackSession>(2s));

  // The stall outlasts every wait here by minutes: only the session's limit ends the download.
  const auto start = std::chrono::steady_clock::now();
  auto future = channel.load();
  EXPECT_EQ(future.wait_for(0s), std::future_status::timeout) << "load() returns before the download has ended";

  // Both downloads are under way at the same time: the signature is asked for while the catalogue hangs.
  EXPECT_TRUE(server.waitForRequests(kSignaturePath, 1, 60s));
  ASSERT_EQ(future.wait_for(60s), std::future_status::ready);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
  const auto result = future.get();
  EXPECT_EQ(result.source, CatalogSource::cache);
  EXPECT_EQ(onlySettingID(result), "cached");
}

TEST_F(CatalogChannelTest, ANewerCatalogueAnotherProcessCachedMeanwhileStaysCached) {
  storeSignedCache(catalogue(5, "cached"));
  LoopbackServer server;
  publishSigned(server, catalogue(6, "fetched"));
  server.fail(kSignaturePath, Failure::stall);
  auto future = CatalogChannel::production(signer.key(), server.host(), std::make_shared<PlainLoopbackSession>(5s)).load();
  ASSERT_TRUE(server.waitForRequests(kSignaturePath, 1, 60s));  // the cache was read before the fetch
  storeSignedCache(catalogue(8, "newer"));
  server.releaseStalls();
  ASSERT_EQ(future.wait_for(60s), std::future_status::ready);
  EXPECT_EQ(onlySettingID(future.get()), "fetched");
  EXPECT_EQ(cachedBytes()->first, catalogue(8, "newer"));
}

// Answers the signature request only when it is cancelled, and fails the catalogue request.
class FailingCatalogueSession final : public HttpSession {
 public:
  HttpResponse perform(const HttpRequest& request, std::stop_token stop) override {
    if (request.url.ends_with(".json")) throw HttpTransferError::transferFailed(7, "Couldn't connect to server");
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    woken.wait_for(lock, stop, 5min, [] { return false; });
    signatureCancelled = stop.stop_requested();
    signatureFinished = true;
    throw HttpTransferError::cancelled();
  }
  std::atomic<bool> signatureCancelled = false;
  std::atomic<bool> signatureFinished = false;
};

TEST(CatalogEndpoint, FailedCatalogueDownloadCancelsTheSignatureAndIsTheErrorReported) {
  const auto endpoint = CatalogEndpoint::standard("updates.example.org");
  EXPECT_EQ(endpoint.catalogURL, "https://updates.example.org/catalog/v1/latest.json");
  EXPECT_EQ(endpoint.signatureURL, "https://updates.example.org/catalog/v1/latest.json.sig");

  const auto session = std::make_shared<FailingCatalogueSession>();
  const auto start = std::chrono::steady_clock::now();
  auto future = endpoint.fetch(session);
  ASSERT_EQ(future.wait_for(60s), std::future_status::ready);
  try {
    future.get();
    FAIL() << "fetch succeeded";
  } catch (const HttpTransferError& error) {
    EXPECT_EQ(error.description(), "transferFailed(code: 7, message: \"Couldn't connect to server\")");
    EXPECT_TRUE(session->signatureFinished) << "the signature download has ended before fetch reports";
  }
  EXPECT_TRUE(session->signatureCancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s) << "the signature's wait of minutes was cut short";
}

TEST(CurlHttpSession, PlainHttpReachesOnlyTheLoopbackAndOtherSchemesAreRefusedUnsent) {
  CurlHttpSession session(5s);
  const auto failure = [&](const std::string& url) {
    HttpRequest request;
    request.url = url;
    try {
      session.perform(request);
    } catch (const HttpTransferError& error) {
      return error.errorCase();
    }
    return HttpTransferError::Case::transferFailed;  // unreachable when the URL is refused
  };
  EXPECT_EQ(failure("file:///etc/hostname"), HttpTransferError::Case::unsupportedURL);
  EXPECT_EQ(failure("ftp://127.0.0.1:21/catalog"), HttpTransferError::Case::unsupportedURL);
  EXPECT_EQ(failure("no scheme at all"), HttpTransferError::Case::badURL);

  LoopbackServer server;
  server.serve("/hello", "hi");
  HttpRequest request;
  request.url = server.url("/hello");
  const auto response = session.perform(request);
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "hi");
}

}  // namespace
