// What sync at login and automatic sync may copy from another Mac without asking: another Mac's
// document with every protection off, values macOS writes, values of the wrong kind and unknown
// ids, over this Mac's real change history with resets and later choices, and server times that
// lie. What waits for a tick keeps its row and says why.

#include <gtest/gtest.h>

#include "LivePreferences.hpp"
#include "Sync/SyncService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using V = PreferenceValue;
using D = SyncDifference;
using Reason = SyncRowCaution::Reason;

SettingDefinition setting(std::string id, std::string key, SettingValueType type) {
  return th::makeSetting(id, SettingRef{"com.example.dock", {std::move(key)}, false}, type,
                         SettingControl::unsupported(), "Label of " + id);
}

SettingsCatalog catalog() {
  auto quarantine = setting("protect.quarantine", "LSQuarantine", SettingValueType::boolean);
  quarantine.risk = SettingRisk::weakensSecurity;
  auto fraud = setting("protect.fraud", "WarnAboutFraud", SettingValueType::boolean);
  fraud.risk = SettingRisk::weakensSecurity;
  auto layout = setting("system.layout", "CurrentLayout", SettingValueType::string);
  layout.systemWritten = true;
  auto recents = setting("system.recents", "RecentFolders", SettingValueType::array);
  recents.systemWritten = true;
  return SettingsCatalog(1, 1,
                         {quarantine, fraud, layout, recents,
                          setting("dock.autohide", "autohide", SettingValueType::boolean),
                          setting("dock.tile", "tilesize", SettingValueType::real),
                          setting("dock.magnify", "magnification", SettingValueType::boolean),
                          setting("dock.count", "count", SettingValueType::integer),
                          setting("dock.old", "old", SettingValueType::boolean),
                          setting("dock.local", "local", SettingValueType::boolean)});
}

// This Mac: the test's home, with a change history whose clock the test sets.
struct ThisMac {
  th::LivePreferences prefs;
  double now = 0;
  IntentLog history{th::supportFile("intents.json"), "23F79", [this] { return now; }};
  SyncService sync{catalog(), SettingsService(prefs.resolver, prefs.store), prefs.resolver, prefs.store, "MAC-A",
                   "Studio", history};

  void recordAt(double at, const std::string& id, std::optional<V> value) {
    now = at;
    history.record(id, std::move(value));
  }
};

// Another Mac's document with every protection off, the system's own values, a value of the wrong
// kind and an id this catalogue does not know, beside plain settings.
SyncDocument hostileDocument() {
  return SyncDocument{"MAC-B", "Office",
                      {{"protect.quarantine", V::boolean(false)},
                       {"protect.fraud", V::boolean(false)},
                       {"system.layout", V::string("com.apple.keylayout.Dvorak")},
                       {"system.recents", V::array({V::string("/Volumes/Office/Secret")})},
                       {"dock.autohide", V::boolean(true)},
                       {"dock.tile", V::real(48)},
                       {"dock.magnify", V::boolean(false)},
                       {"dock.count", V::string("3")},
                       {"dock.old", V::boolean(true)},
                       {"newer.catalog.only", V::boolean(true)}}};
}

}  // namespace

TEST(UnattendedCopy, OnlyWhatNobodyNeedsToBeAskedAboutComesOverAndTheRestWaitsWithItsReason) {
  ThisMac here;
  here.prefs.put("com.example.dock", "local", V::boolean(true));
  // The user reset the Dock's icon size here, chose magnification at 2000 (since gone, by another
  // app), and long ago set "old" (gone too).
  here.recordAt(100, "dock.old", V::boolean(false));
  here.recordAt(500, "dock.tile", std::nullopt);
  here.recordAt(2000, "dock.magnify", V::boolean(true));
  const auto received = SyncDocument::fromData(hostileDocument().encoded());

  // Recent folders travel nowhere: no row, whatever the other Mac sends.
  const auto rows = here.sync.compare(received, {});
  std::vector<std::string> ids;
  for (const auto& row : rows) ids.push_back(row.settingID);
  EXPECT_EQ(ids, (std::vector<std::string>{"protect.quarantine", "protect.fraud", "system.layout", "dock.autohide",
                                           "dock.tile", "dock.magnify", "dock.count", "dock.old", "dock.local"}));

  using C = std::optional<SyncRowCaution>;
  const struct {
    const char* name;
    std::optional<double> sharedAt;  // when the other Mac shared, as the server says
    std::vector<C> cautions;         // one per row above
    std::vector<std::string> copied;
  } cases[] = {
      {"shared at 1000: the later choice and the reset stand",
       1000.0,
       {C{{Reason::weakensSecurity, {}}}, C{{Reason::weakensSecurity, {}}}, C{{Reason::systemWritten, {}}}, C{},
        C{{Reason::resetHere, 500.0}}, C{{Reason::chosenHere, 2000.0}}, C{{Reason::wrongKind, {}}}, C{}, C{}},
       {"dock.autohide", "dock.old"}},
      {"shared after every choice: only the reset stands",
       3000.0,
       {C{{Reason::weakensSecurity, {}}}, C{{Reason::weakensSecurity, {}}}, C{{Reason::systemWritten, {}}}, C{},
        C{{Reason::resetHere, 500.0}}, C{}, C{{Reason::wrongKind, {}}}, C{}, C{}},
       {"dock.autohide", "dock.magnify", "dock.old"}},
      {"a time far in the future still undoes no reset and switches no protection",
       1e15,
       {C{{Reason::weakensSecurity, {}}}, C{{Reason::weakensSecurity, {}}}, C{{Reason::systemWritten, {}}}, C{},
        C{{Reason::resetHere, 500.0}}, C{}, C{{Reason::wrongKind, {}}}, C{}, C{}},
       {"dock.autohide", "dock.magnify", "dock.old"}},
      {"no time: every choice made here counts as the newer",
       std::nullopt,
       {C{{Reason::weakensSecurity, {}}}, C{{Reason::weakensSecurity, {}}}, C{{Reason::systemWritten, {}}}, C{},
        C{{Reason::resetHere, 500.0}}, C{{Reason::chosenHere, 2000.0}}, C{{Reason::wrongKind, {}}},
        C{{Reason::chosenHere, 100.0}}, C{}},
       {"dock.autohide"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(here.sync.cautions(rows, c.sharedAt), c.cautions);
    std::vector<std::string> unattended;
    for (const auto& row : here.sync.unattended(rows, c.sharedAt)) unattended.push_back(row.settingID);
    EXPECT_EQ(unattended, c.copied);
    // Sync at login looks at the same rows the same way.
    std::map<std::string, double> sharedAt;
    if (c.sharedAt) sharedAt["MAC-B"] = *c.sharedAt;
    std::vector<std::string> missing;
    for (const auto& row : here.sync.missingHere(SyncService::ReadResult({received}, {}, sharedAt), {}))
      missing.push_back(row.settingID);
    EXPECT_EQ(missing, c.copied);
  }
  // A pinned setting waits for no reason of these: it is never copied at all.
  EXPECT_TRUE(here.sync.missingHere(SyncService::ReadResult({received}, {}, {{"MAC-B", 3000.0}}),
                                    {"dock.autohide", "dock.magnify", "dock.old"})
                  .empty());

  // Ticked by hand, a protection comes over like any other setting.
  const ExternalVerifier outside(th::defaultsPath());
  const auto copied = here.sync.apply({rows[0]}, outside, "Office");
  EXPECT_EQ(copied.report.appliedCount(), 1u);
  EXPECT_EQ(here.prefs.seen("com.example.dock", "LSQuarantine"), V::boolean(false));
}

TEST(UnattendedCopy, TheNewestMacsValueIsTheOneJudgedAndAListMacOSKeepsIsNeverShared) {
  ThisMac here;
  here.prefs.put("com.example.dock", "RecentFolders", V::array({V::string("/Users/ada/Private")}));
  here.prefs.put("com.example.dock", "CurrentLayout", V::string("com.apple.keylayout.Dvorak"));
  EXPECT_EQ(here.sync.currentDocument().intents,
            (V::Dictionary{{"system.layout", V::string("com.apple.keylayout.Dvorak")}}))
      << "what this Mac shares: the layout, never where the user has been";

  // B's value is of the wrong kind and newer than C's good one: nothing comes in its place.
  const SyncService::ReadResult others(
      {SyncDocument{"B", "B", {{"dock.count", V::string("3")}, {"dock.autohide", V::boolean(true)}}},
       SyncDocument{"C", "C", {{"dock.count", V::integer(3)}, {"dock.autohide", V::boolean(false)}}}},
      {}, {{"B", 2000.0}, {"C", 1000.0}});
  const auto missing = here.sync.missingHere(others, {});
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0], (SyncRow{"dock.autohide", "Label of dock.autohide", D::onlyThere(V::boolean(true)), false}));

  // A change history that cannot be read is no choice: it hides nothing the catalogue allows.
  th::writeFile(th::supportFile("intents.json"), "{ not a history");
  EXPECT_EQ(here.sync.cautions(missing, 1000.0), std::vector<std::optional<SyncRowCaution>>{std::nullopt});
}
