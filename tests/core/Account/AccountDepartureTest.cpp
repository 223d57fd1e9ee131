// This Mac leaving its account before its files go, against the local account server: every entry
// it holds there is taken off, or, when that cannot be done (signed out, the server gone or silent,
// the session refused), the record of its entries keeps them, apart from the preferences, for a
// later sign-in.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "Account/AccountDeparture.hpp"
#include "Account/DeviceEntries.hpp"
#include "AccountServerProcess.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Support/HttpSession.hpp"
#include "StopWait.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using namespace std::chrono_literals;

namespace {

// The live session, or one that hangs until the request is broken off or its own limit is up.
class SilenceableSession final : public HttpSession {
 public:
  std::atomic<bool> silent{false};
  HttpResponse perform(const HttpRequest& request, std::stop_token stop) override {
    if (!silent) return live_.perform(request, stop);
    if (waitUntilBrokenOff(stop, request.timeout)) throw HttpTransferError::cancelled();
    throw HttpTransferError::timedOut();
  }

 private:
  CurlHttpSession live_;
};

// One Mac: its preferences in memory, its token in the test's home, its entries in their own
// preference domain as the application keeps them.
struct DepartingMac {
  std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
  AccountStore store{"tv.winterbrae.amberloom.session", "device-token", defaults,
                     std::make_shared<platform::FileSecretStore>(home() + "/keys"), DeviceEntries::standard()};
};

std::vector<std::string> listedIDs(const AccountClient& client, const std::string& token) {
  std::vector<std::string> ids;
  for (const auto& device : client.account(token).devices) ids.push_back(device.id);
  return ids;
}

bool contains(const std::vector<std::string>& ids, const std::string& id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

TEST(AccountDeparture, TakesEveryEntryOfThisMacOffOrKeepsWhatItCouldNot) {
  AccountServerProcess server;
  const std::string entriesFile = preferencesFile(DeviceEntries::domain);
  enum class Road { online, serverGone, silent, refused, signedOut, neverSignedIn };
  const struct {
    const char* what;
    Road road;
    bool stillListed;
  } cases[] = {
      {"the server answers", Road::online, false},
      {"the server is gone", Road::serverGone, true},
      {"the server stays silent", Road::silent, true},
      {"the session is refused", Road::refused, true},
      {"signed out before", Road::signedOut, true},
      {"never signed in", Road::neverSignedIn, false},
  };
  const auto http = std::make_shared<SilenceableSession>();
  const AccountClient client(server.apiBase(), http);
  int account = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(entriesFile);
    // An account of its own for each road: the server sends an address only so many links a minute.
    const std::string email = "ada" + std::to_string(++account) + "@example.com";
    const auto other = server.signIn(client, email, "HW-OTHER", "Other");
    DepartingMac mac;
    // Signed in three times: an earlier entry still listed, one the account no longer holds, and
    // the current one. Where the server is gone, the session is one of an address nobody answers.
    const std::string base = c.road == Road::serverGone ? "http://127.0.0.1:1/api/v1" : server.apiBase();
    const auto earlier = server.signIn(client, email, "HW-THIS", "This Mac");
    const auto gone = server.signIn(client, email, "HW-THIS", "This Mac");
    const auto current = server.signIn(client, email, "HW-THIS", "This Mac");
    client.removeDevice(gone.deviceID, other.token);
    if (c.road != Road::neverSignedIn)
      for (const auto* entry : {&earlier, &gone, &current}) mac.store.save(entry->token, email, entry->deviceID, base);
    if (c.road == Road::signedOut) mac.store.clear();
    if (c.road == Road::refused) client.removeDevice(current.deviceID, other.token);
    http->silent = c.road == Road::silent;

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(AccountDeparture(AccountClient(base, http), mac.store, 500ms).leave(), c.stillListed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s) << "the departure keeps to its time limit";
    http->silent = false;

    if (c.road == Road::neverSignedIn) {
      EXPECT_FALSE(fileExists(entriesFile)) << "nothing to remember of an account it never joined";
      continue;
    }
    const auto listed = listedIDs(client, other.token);
    EXPECT_EQ(contains(listed, earlier.deviceID), c.stillListed);
    if (!c.stillListed) {
      EXPECT_FALSE(contains(listed, current.deviceID));
      EXPECT_FALSE(fileExists(entriesFile)) << "nothing is left to remember";
    } else {
      // A reinstalled AmberLoom, its preferences and sign-in gone, still knows its own entries.
      const AccountStore reinstalled("tv.winterbrae.amberloom.session", "device-token",
                                     std::make_shared<MemoryUserDefaults>(),
                                     std::make_shared<platform::FileSecretStore>(home() + "/new-keys"),
                                     DeviceEntries::standard());
      const auto remembered = reinstalled.earlierDeviceIDs();
      EXPECT_TRUE(contains(remembered, earlier.deviceID) && contains(remembered, current.deviceID));
    }
  }
}

// The removal screen opened twice, or two processes removing at once: both departures end, the
// Mac is off the account, and at least the one that took it off says so; nothing is left recorded.
TEST(AccountDeparture, TwoDeparturesAtOnceBothEndAndLeaveNothingListed) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const auto other = server.signIn(client, "ada@example.com", "HW-OTHER", "Other");
  const auto current = server.signIn(client, "ada@example.com", "HW-THIS", "This Mac");
  DepartingMac mac;
  mac.store.save(current.token, "ada@example.com", current.deviceID, client.base());

  auto first = std::async(std::launch::async, [&] { return AccountDeparture(client, mac.store).leave(); });
  auto second = std::async(std::launch::async, [&] { return AccountDeparture(client, mac.store).leave(); });
  const bool firstListed = first.get(), secondListed = second.get();
  EXPECT_FALSE(firstListed && secondListed);
  EXPECT_FALSE(contains(listedIDs(client, other.token), current.deviceID));
  EXPECT_FALSE(AccountDeparture(client, mac.store).leave()) << "a departure afterwards finds nothing to take off";
}
