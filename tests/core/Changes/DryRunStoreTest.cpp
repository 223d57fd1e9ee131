#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Changes/DryRunStore.hpp"
#include "Preferences/PreferenceWriter.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace fixture = amberloom::testing;

namespace {

// An in-memory store that refuses every write, so a write reaching it shows. Seeded before any
// thread starts, then only read.
class RefusingStore : public PreferenceStore {
 public:
  using Key = std::tuple<std::string, HostScope, std::string>;
  std::map<Key, PreferenceValue> values;
  std::atomic<int> writes{0};

  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override {
    const auto found = values.find({domain.applicationID, domain.hostScope, key});
    return found == values.end() ? std::nullopt : std::optional(found->second);
  }
  void write(const std::optional<PreferenceValue>&, const std::string&, const ResolvedDomain&) override {
    ++writes;
    throw std::runtime_error("the wrapped store was written");
  }
};

const ResolvedDomain kDock{"com.apple.dock", HostScope::anyHost};
const ResolvedDomain kDockHere{"com.apple.dock", HostScope::currentHost};
const ResolvedDomain kFinder{"com.apple.finder", HostScope::anyHost};

PreferenceValue integer(std::int64_t v) { return PreferenceValue::integer(v); }

}  // namespace

TEST(DryRunStore, APracticeRunSeesItsOwnWritesWhileTheRealPreferencesStayUntouched) {
  auto real = std::make_shared<CFPreferenceStore>();
  real->write(integer(48), "tilesize", kDock);
  real->write(PreferenceValue::dictionary({{"keep", PreferenceValue::boolean(true)}}), "prefs", kDock);
  const std::string before = fixture::readFile(fixture::home() + "/Library/Preferences/com.apple.dock.plist");

  auto practice = std::make_shared<DryRunStore>(real);
  EXPECT_EQ(practice->read("tilesize", kDock), integer(48));
  practice->write(integer(64), "tilesize", kDock);
  PreferenceWriter(practice).write(PreferenceValue::string("scale"), std::vector<std::string>{"prefs", "effect"}, kDock);
  practice->write(PreferenceValue::string("x"), "newkey", kDock);

  EXPECT_EQ(practice->read("tilesize", kDock), integer(64));
  EXPECT_EQ(practice->read("prefs", kDock),
            PreferenceValue::dictionary({{"keep", PreferenceValue::boolean(true)},
                                         {"effect", PreferenceValue::string("scale")}}));
  // Another process, and the store itself, still see the real values; the file is byte for byte the same.
  const auto outside = fixture::runDefaults({"read", "com.apple.dock", "tilesize"});
  EXPECT_EQ(outside.standardOutput, "48\n");
  EXPECT_EQ(real->read("tilesize", kDock), integer(48));
  EXPECT_FALSE(real->read("newkey", kDock));
  EXPECT_EQ(fixture::readFile(fixture::home() + "/Library/Preferences/com.apple.dock.plist"), before);
}

TEST(DryRunStore, RemovingAKeyOnlyDropsTheShadowedValueAndNothingReachesTheWrappedStore) {
  auto wrapped = std::make_shared<RefusingStore>();
  wrapped->values.insert({{"com.apple.dock", HostScope::anyHost, "tilesize"}, integer(48)});
  DryRunStore store(wrapped);

  // Removing a key never shadowed changes nothing a read can see.
  EXPECT_NO_THROW(store.write(std::nullopt, "tilesize", kDock));
  EXPECT_EQ(store.read("tilesize", kDock), integer(48));

  EXPECT_NO_THROW(store.write(integer(64), "tilesize", kDock));
  store.write(std::nullopt, "tilesize", kDock);
  EXPECT_EQ(store.read("tilesize", kDock), integer(48));  // the real value shows through, not none

  store.write(integer(1), "fresh", kDock);
  store.write(std::nullopt, "fresh", kDock);
  EXPECT_FALSE(store.read("fresh", kDock));
  EXPECT_EQ(wrapped->writes, 0);
  // A snapshot through this store must never mark a value unreadable.
  EXPECT_EQ(dynamic_cast<PreferenceKeyProbing*>(static_cast<PreferenceStore*>(&store)), nullptr);
}

TEST(DryRunStore, EachDomainAndHostScopeIsShadowedSeparately) {
  auto wrapped = std::make_shared<RefusingStore>();
  wrapped->values.insert({{"com.apple.dock", HostScope::currentHost, "autohide"}, PreferenceValue::boolean(false)});
  DryRunStore store(wrapped);

  store.write(PreferenceValue::boolean(true), "autohide", kDock);
  EXPECT_EQ(store.read("autohide", kDock), PreferenceValue::boolean(true));
  EXPECT_EQ(store.read("autohide", kDockHere), PreferenceValue::boolean(false));
  EXPECT_FALSE(store.read("autohide", kFinder));

  store.write(PreferenceValue::string("here"), "orientation", kDockHere);
  EXPECT_FALSE(store.read("orientation", kDock));
  EXPECT_EQ(store.read("orientation", kDockHere), PreferenceValue::string("here"));
}

TEST(DryRunStore, ManyThreadsLoseNothingAndNeverSeeATornValue) {
  constexpr int kThreads = 8;
  constexpr int kOps = 1000;
  constexpr int kKeysPerThread = 10;
  auto wrapped = std::make_shared<RefusingStore>();
  DryRunStore store(wrapped);

  // A value whose parts must agree: a mix of two writes would not.
  const auto valueFor = [](int thread, int op) {
    const std::string tag = std::to_string(thread) + ":" + std::to_string(op) + ";";
    std::string payload;
    for (int i = 0; i < 40; ++i) payload += tag;
    return PreferenceValue::dictionary({{"tag", PreferenceValue::string(tag)}, {"payload", PreferenceValue::string(payload)}});
  };
  const auto isWhole = [&](const PreferenceValue& value) {
    const auto& tag = value.asDictionary().at("tag").asString();
    const int thread = std::stoi(tag), op = std::stoi(tag.substr(tag.find(':') + 1));
    return value == valueFor(thread, op);
  };

  std::atomic<int> lostOwnWrites{0}, tornReads{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const ResolvedDomain domain = t % 2 ? kDock : kDockHere;
      for (int op = 0; op < kOps; ++op) {
        const std::string own = "t" + std::to_string(t) + ".k" + std::to_string(op % kKeysPerThread);
        store.write(valueFor(t, op), own, domain);
        if (store.read(own, domain) != valueFor(t, op)) ++lostOwnWrites;
        store.write(valueFor(t, op), "shared", kDock);
        const auto shared = store.read("shared", kDock);
        if (!shared || !isWhole(*shared)) ++tornReads;
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(lostOwnWrites, 0);
  EXPECT_EQ(tornReads, 0);
  for (int t = 0; t < kThreads; ++t) {
    const ResolvedDomain domain = t % 2 ? kDock : kDockHere;
    for (int k = 0; k < kKeysPerThread; ++k) {
      const std::string key = "t" + std::to_string(t) + ".k" + std::to_string(k);
      EXPECT_EQ(store.read(key, domain), valueFor(t, kOps - kKeysPerThread + k)) << key;
    }
  }
  // The shared key holds one writer's last value whole.
  const auto last = store.read("shared", kDock);
  ASSERT_TRUE(last);
  ASSERT_TRUE(isWhole(*last));
  EXPECT_TRUE(last->asDictionary().at("tag").asString().ends_with(":" + std::to_string(kOps - 1) + ";"));
  EXPECT_EQ(wrapped->writes, 0);
}
