// Snapshots: their stored JSON form, capture and restore through the real store, and which
// catalogue settings a snapshot touches.

#include <gtest/gtest.h>

#include <filesystem>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SnapshotService.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

TEST(Snapshot, JsonWritesOnlyWhatAnEntryCarries) {
  const Snapshot snapshot{{
      {SettingRef{"com.example.a", {"k"}, false}, PreferenceValue::integer(2), SettingChannel::defaults, false},
      {SettingRef{"com.example.b", {"k"}, true}, std::nullopt, SettingChannel::defaults, true},
      {SettingRef{"x", {"s", "enabled"}, false}, PreferenceValue::boolean(false), SettingChannel::nightShift, false},
  }};
  EXPECT_EQ(writeJson(snapshot.toJson()),
            R"({"entries":[{"ref":{"byHost":false,"domain":"com.example.a","path":["k"]},"rootValue":{"int":2}},)"
            R"({"ref":{"byHost":true,"domain":"com.example.b","path":["k"]},"unreadable":true},)"
            R"({"channel":"nightShift","ref":{"byHost":false,"domain":"x","path":["s","enabled"]},)"
            R"("rootValue":{"bool":false}}]})");
  EXPECT_EQ(Snapshot::fromJson(snapshot.toJson()), snapshot);

  const auto bare = Snapshot::fromJson(parseJson(
      R"({"entries":[{"ref":{"domain":"d","path":["k"],"byHost":false},"channel":"defaults","rootValue":null}]})"));
  EXPECT_EQ(bare.entries.at(0), (SnapshotEntry{SettingRef{"d", {"k"}, false}, std::nullopt, SettingChannel::defaults, false}));
  EXPECT_THROW(Snapshot::fromJson(parseJson(R"({"entries":[{"ref":{"domain":"d","path":["k"]}}]})")), DecodingError);
  EXPECT_THROW(Snapshot::fromJson(parseJson(
                   R"({"entries":[{"ref":{"domain":"d","path":["k"],"byHost":false},"channel":"other"}]})")),
               DecodingError);
}

TEST(SnapshotService, RestoreWritesEveryReadableEntryThenReportsTheFirstUnreadable) {
  auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  SnapshotService service(store, resolver);
  const auto domain = resolver.resolve("com.example.snap", false);
  store->write(PreferenceValue::dictionary({{"inner", PreferenceValue::integer(1)}}), "nested", domain);

  const SettingRef nested{"com.example.snap", {"nested", "inner"}, false};
  const SettingRef absent{"com.example.snap", {"absent"}, false};
  const auto snapshot = service.capture(std::vector<SettingRef>{nested, absent, SettingRef{"com.example.snap", {}, false}});
  ASSERT_EQ(snapshot.entries.size(), 2u);  // an empty path gives no entry
  EXPECT_EQ(snapshot.entries[0].rootValue, PreferenceValue::dictionary({{"inner", PreferenceValue::integer(1)}}));

  store->write(PreferenceValue::dictionary({{"inner", PreferenceValue::integer(9)}, {"new", PreferenceValue::boolean(true)}}),
               "nested", domain);
  store->write(PreferenceValue::string("later"), "absent", domain);

  Snapshot withUnreadable = snapshot;
  withUnreadable.entries.insert(withUnreadable.entries.begin(),
                                SnapshotEntry{SettingRef{"com.example.snap", {"odd"}, false}, std::nullopt,
                                              SettingChannel::defaults, true});
  try {
    service.restore(withUnreadable);
    FAIL() << "an unreadable entry must be reported";
  } catch (const SnapshotRestoreError& error) {
    EXPECT_STREQ(error.what(),
                 "valueUnknown(AmberloomCore.SettingRef(domain: \"com.example.snap\", path: [\"odd\"], byHost: false))");
  }
  // The readable entries were still written: the whole dictionary back, the absent key removed.
  ExternalVerifier outside(th::defaultsPath());
  EXPECT_EQ(outside.read("nested", domain), PreferenceValue::dictionary({{"inner", PreferenceValue::integer(1)}}));
  EXPECT_EQ(outside.read("absent", domain), std::nullopt);
}

TEST(SnapshotService, RestorePutsBackEveryEntryItCanAndThrowsTheFirstFailureLast) {
  auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  SnapshotService service(store, resolver);
  const auto domain = resolver.resolve("com.example.snap", false);
  const auto blockedDomain = resolver.resolve("com.example.blocked", false);
  store->write(PreferenceValue::integer(1), "a", domain);
  store->write(PreferenceValue::integer(1), "k", blockedDomain);
  const auto snapshot = service.capture(std::vector<SettingRef>{
      {"com.example.snap", {"a"}, false}, {"com.example.blocked", {"k"}, false}, {"com.example.snap", {"b"}, false}});

  store->write(PreferenceValue::integer(2), "a", domain);
  store->write(PreferenceValue::integer(2), "b", domain);
  // A domain whose file turned into something no write may replace.
  const std::string blocked = th::preferencesFile("com.example.blocked");
  std::filesystem::remove(blocked);
  std::filesystem::create_directories(blocked);
  EXPECT_THROW(service.restore(snapshot), std::exception);
  ExternalVerifier outside(th::defaultsPath());
  EXPECT_EQ(outside.read("a", domain), PreferenceValue::integer(1));
  EXPECT_EQ(outside.read("b", domain), std::nullopt) << "the entry after the failure was left changed";
}

TEST(SettingsCatalog, SettingsTouchedByASnapshotFollowRootKeyAndHostScope) {
  const auto setting = [](std::string id, std::vector<std::string> path, bool byHost) {
    SettingDefinition definition;
    definition.id = std::move(id);
    definition.ref = SettingRef{"com.example.dock", std::move(path), byHost};
    return definition;
  };
  const SettingsCatalog catalog(1, 1,
                                {setting("a", {"Root", "A"}, false), setting("host", {"Root"}, true),
                                 setting("b", {"Root", "B"}, false), setting("other", {"Other"}, false),
                                 setting("none", {}, false)});
  const Snapshot snapshot{{{SettingRef{"com.example.dock", {"Root"}, false}, std::nullopt, SettingChannel::defaults, false},
                           {SettingRef{"com.example.dock", {}, false}, std::nullopt, SettingChannel::defaults, false},
                           {SettingRef{"com.example.elsewhere", {"Other"}, false}, std::nullopt,
                            SettingChannel::defaults, false}}};
  EXPECT_EQ(catalog.settingIDs(snapshot), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(catalog.settingIDs(Snapshot{}).empty());
}

TEST(SnapshotService, AKeyIsCapturedUnreadableWheneverItsFileCannotBeRead) {
  // Restoring an entry captured as "not set" deletes the key: only a key known to be absent may
  // be captured so.
  const auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  store->write(PreferenceValue::integer(1), "other", resolver.resolve("com.example.readable", false));
  th::writeFile(th::preferencesFile("com.example.corrupt"), "not a property list");
  th::writeFile(th::preferencesFile("com.example.empty"), "");  // what a crash mid-write can leave
  const struct {
    std::string domain;
    bool unreadable;
  } cases[] = {{"com.example.corrupt", true}, {"com.example.readable", false}, {"com.example.empty", false},
               {"com.example.none", false}, {"no/such domain", false}};
  for (const auto& c : cases) {
    const auto entry = SnapshotService(store, resolver).capture(std::vector<SettingRef>{{c.domain, {"k"}, false}}).entries.at(0);
    EXPECT_EQ(entry.isUnreadable, c.unreadable) << c.domain;
    EXPECT_EQ(entry.rootValue, std::nullopt) << c.domain;
  }
}
