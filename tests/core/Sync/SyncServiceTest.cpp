// Two Macs in one process: the other Mac's home is a folder of its own with its own preference
// files; this Mac is the process's home, where the `defaults` command reads back. The other Mac's
// document travels as bytes, is compared here, copied with read-back, and undone.

#include <gtest/gtest.h>

#include <tuple>

#include "LivePreferences.hpp"
#include "Sync/SyncService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using V = PreferenceValue;
using D = SyncDifference;

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type,
                          std::optional<Version> osMin = std::nullopt) {
  auto s = th::makeSetting(id, SettingRef{std::move(domain), std::move(path), false}, type,
                           SettingControl::defaultFor(type), "Label of " + id);
  s.availability.osMin = std::move(osMin);
  return s;
}

const SettingsCatalog catalog(1, 1,
                              {setting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean),
                               setting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::integer),
                               setting("global.swipe", "NSGlobalDomain", {"com.example.swipe"}, SettingValueType::boolean),
                               setting("finder.pane", "com.example.finder", {"Panes", "General"}, SettingValueType::string),
                               setting("finder.hidden", "com.example.finder", {"ShowHidden"}, SettingValueType::boolean),
                               setting("dock.count", "com.example.dock", {"count"}, SettingValueType::integer),
                               setting("dock.future", "com.example.dock", {"future"}, SettingValueType::boolean,
                                       Version({99})),
                               setting("dock.local", "com.example.dock", {"local"}, SettingValueType::boolean)});

struct Mac {
  std::shared_ptr<CFPreferenceStore> store;
  DomainResolver resolver;
  SyncService sync;

  Mac(const std::string& home, std::shared_ptr<CFPreferenceStore> store, std::string deviceID,
      std::optional<IntentLog> intents)
      : store(std::move(store)), resolver{home, [](const std::string&) { return false; }},
        sync(catalog, SettingsService(resolver, this->store), resolver, this->store, std::move(deviceID), "Mac of test",
             std::move(intents)) {}

  // Writes each (domain, key, value).
  void set(const std::vector<std::tuple<std::string, std::string, V>>& values) {
    for (const auto& [domain, key, value] : values) store->write(value, key, resolver.resolve(domain, false));
  }
};

}  // namespace

TEST(SyncService, AnotherMacsDocumentIsComparedCopiedWithReadBackAndUndone) {
  const std::string otherHome = th::home() + "/other-mac";
  Mac there(otherHome, std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(otherHome, "HOST-B")), "MAC-B",
            std::nullopt);
  there.set({{"com.example.dock", "autohide", V::boolean(true)}, {"com.example.dock", "tilesize", V::integer(64)},
             {"NSGlobalDomain", "com.example.swipe", V::boolean(false)},
             {"com.example.finder", "Panes", V::dictionary({{"General", V::string("open")}})},
             {"com.example.finder", "ShowHidden", V::boolean(true)}, {"com.example.dock", "future", V::boolean(true)},
             {"com.example.dock", "count", V::string("3")}});  // of the wrong kind for this catalogue
  IntentLog history(th::supportFile("intents.json"), "23F79");
  Mac here(th::home(), std::make_shared<CFPreferenceStore>(), "MAC-A", history);
  here.set({{"com.example.dock", "autohide", V::boolean(true)}, {"com.example.dock", "tilesize", V::integer(36)},
            {"com.example.finder", "Panes", V::dictionary({{"Other", V::integer(1)}})},
            {"com.example.finder", "ShowHidden", V::boolean(false)}, {"com.example.dock", "count", V::integer(5)},
            {"com.example.dock", "local", V::boolean(true)}});

  // The other Mac's document leaves out what is not available on its macOS; ids unknown here
  // (another catalogue) travel but get no row.
  auto sent = there.sync.currentDocument();
  EXPECT_FALSE(sent.intents.contains("dock.future"));
  sent.intents.emplace("newer.catalog.only", V::boolean(true));
  const auto received = SyncDocument::fromData(sent.encoded());
  EXPECT_EQ(received, sent);

  const auto rows = here.sync.compare(received, {"finder.hidden"});
  const std::vector<SyncRow> expected{
      {"dock.autohide", "Label of dock.autohide", D::same(V::boolean(true)), false},
      {"dock.tile", "Label of dock.tile", D::differs(V::integer(36), V::integer(64)), false},
      {"global.swipe", "Label of global.swipe", D::onlyThere(V::boolean(false)), false},
      {"finder.pane", "Label of finder.pane", D::onlyThere(V::string("open")), false},
      {"finder.hidden", "Label of finder.hidden", D::differs(V::boolean(false), V::boolean(true)), true},
      {"dock.count", "Label of dock.count", D::differs(V::integer(5), V::string("3")), false},
      {"dock.local", "Label of dock.local", D::onlyHere(V::boolean(true)), false},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_FALSE(rows[4].needsAttention());
  EXPECT_EQ(rows[4].incomingValue(), V::boolean(true));

  auto toCopy = rows;
  toCopy.push_back({"gone.setting", "Gone", D::onlyThere(V::integer(1)), false});
  const ExternalVerifier outside(th::defaultsPath());
  const auto copied = here.sync.apply(toCopy, outside, "MAC-B");
  const auto& report = copied.report;
  const std::vector<WriteOutcome> outcomes{
      {"dock.tile", true, std::nullopt},
      {"global.swipe", true, std::nullopt},
      {"finder.pane", true, std::nullopt},
      {"dock.count", false,
       std::string("typeMismatch(settingID: \"dock.count\", expected: AmberloomCore.SettingValueType.int)")},
      {"gone.setting", false, std::string("katalogda yok")},
  };
  EXPECT_EQ(report.outcomes, outcomes);
  const auto dock = here.resolver.resolve("com.example.dock", false);
  const auto finder = here.resolver.resolve("com.example.finder", false);
  EXPECT_EQ(outside.read("tilesize", dock), V::integer(64));
  EXPECT_EQ(outside.read("count", dock), V::integer(5));
  EXPECT_EQ(outside.read("ShowHidden", finder), V::boolean(false));  // pinned: never written
  EXPECT_EQ(outside.read("Panes", finder), V::dictionary({{"Other", V::integer(1)}, {"General", V::string("open")}}));
  EXPECT_EQ(history.all().size(), 3u);

  const auto undo = here.sync.undo(copied.wayBack->point, outside).report;
  EXPECT_TRUE(undo.isComplete());
  EXPECT_EQ(outside.read("tilesize", dock), V::integer(36));
  EXPECT_EQ(outside.read("com.example.swipe", here.resolver.resolve("NSGlobalDomain", false)), std::nullopt);
  EXPECT_EQ(outside.read("Panes", finder), V::dictionary({{"Other", V::integer(1)}}));
  EXPECT_TRUE(history.all().empty());
  EXPECT_EQ(here.sync.compare(received, {"finder.hidden"}), rows);
}

TEST(SyncService, WhatThisMacLacksComesFromEveryOtherMacTheLatestSharedValueWinning) {
  Mac here(th::home(), std::make_shared<CFPreferenceStore>(), "MAC-A", std::nullopt);
  here.set({{"com.example.dock", "tilesize", V::integer(36)}});
  const auto mac = [](std::string id, PreferenceValue::Dictionary intents) {
    return SyncDocument{id, "Mac " + id, std::move(intents)};
  };
  // B shared an hour before C; D's time is unknown.
  const SyncService::ReadResult others(
      {mac("B", {{"dock.autohide", V::boolean(true)}, {"dock.tile", V::integer(64)}, {"dock.local", V::boolean(true)}}),
       mac("C", {{"dock.autohide", V::boolean(false)}, {"finder.hidden", V::boolean(true)}}),
       mac("D", {{"dock.local", V::boolean(false)}, {"global.swipe", V::boolean(true)}})},
      {}, {{"B", 1000.0}, {"C", 4600.0}});
  const std::vector<SyncRow> expected{
      {"dock.autohide", "Label of dock.autohide", D::onlyThere(V::boolean(false)), false},  // C is newer than B
      {"global.swipe", "Label of global.swipe", D::onlyThere(V::boolean(true)), false},   // only D has it
      {"dock.local", "Label of dock.local", D::onlyThere(V::boolean(true)), false},       // B over an unknown time
  };
  // Never what this Mac has (dock.tile), never what is pinned (finder.hidden).
  EXPECT_EQ(here.sync.missingHere(others, {"finder.hidden"}), expected);
  EXPECT_TRUE(here.sync.missingHere(SyncService::ReadResult({}, {}), {}).empty());
}
