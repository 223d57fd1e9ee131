#include "Catalog/CatalogEndpoints.hpp"

#include <stdexcept>
#include <stop_token>

#include "Support/BackgroundTask.hpp"
#include "Support/HttpSession.hpp"

namespace amberloom {

CatalogEndpoint CatalogEndpoint::standard(const std::string& host) {
  const std::string base = "https://" + host + "/catalog/v1/latest.json";
  return {base, base + ".sig"};
}

std::future<SignedCatalog> CatalogEndpoint::fetch(std::shared_ptr<HttpSession> session) const {
  return runInBackground([endpoint = *this, session = std::move(session)]() -> SignedCatalog {
    if (!session) throw std::invalid_argument("no HTTP session");
    const auto download = [session](std::string url, std::size_t limit, std::stop_token stop) {
      return [session, url = std::move(url), limit, stop] {
        HttpRequest request;
        request.url = url;
        request.maxResponseBytes = limit;
        return session->perform(request, stop).body;
      };
    };
    std::stop_source signatureStop;
    auto catalogue = runInBackground(download(endpoint.catalogURL, maxCatalogBytes, std::stop_token{}));
    auto signature = runInBackground(download(endpoint.signatureURL, maxSignatureBytes, signatureStop.get_token()));
    std::string data;
    try {
      data = awaitResult(std::move(catalogue));
    } catch (...) {
      // The signature is useless without its catalogue; stop it and let it finish before reporting.
      signatureStop.request_stop();
      WorkerPool::whileWaiting([&signature] { signature.wait(); });
      throw;
    }
    return SignedCatalog{std::move(data), awaitResult(std::move(signature))};
  });
}

}  // namespace amberloom
