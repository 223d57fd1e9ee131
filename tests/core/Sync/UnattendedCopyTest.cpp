// What sync at login and automatic sync may copy from another Mac without asking, judged against
// another Mac's document with every protection off, values macOS writes, a list of recent places,
// a value of the wrong kind and an unknown id, over this Mac's real change history with a reset
// and later choices, under server times true and false. What waits for a tick keeps its row and
// says why.

#include <gtest/gtest.h>

#include "LivePreferences.hpp"
#include "Sync/SyncService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
using V = PreferenceValue;
using Reason = SyncRowCaution::Reason;
using C = std::optional<SyncRowCaution>;

TEST(UnattendedCopy, OnlyWhatNobodyNeedsToBeAskedAboutComesOverAndTheRestWaitsWithItsReason) {
  const auto setting = [](std::string id, SettingValueType type, bool protection = false, bool system = false) {
    auto s = th::makeSetting(id, SettingRef{"com.example.dock", {id}, false}, type);
    s.risk = protection ? SettingRisk::weakensSecurity : SettingRisk::none;
    s.systemWritten = system;
    return s;
  };
  using T = SettingValueType;
  const SettingsCatalog catalog(1, 1,
                                {setting("quarantine", T::boolean, true), setting("layout", T::string, false, true),
                                 setting("recents", T::array, false, true), setting("autohide", T::boolean),
                                 setting("tile", T::real), setting("magnify", T::boolean), setting("count", T::integer),
                                 setting("old", T::boolean), setting("again", T::boolean),
                                 setting("local", T::boolean)});
  th::LivePreferences prefs;
  double now = 0;
  const IntentLog history(th::supportFile("intents.json"), "23F79", [&] { return now; });
  const SyncService sync(catalog, SettingsService(prefs.resolver, prefs.store), prefs.resolver, prefs.store, "MAC-A",
                         "Studio", history);
  prefs.put("com.example.dock", "local", V::boolean(true));
  // Here the user set "old" long ago, reset the icon size at 500 and chose magnification and
  // "again" at 2000; other apps have since removed all but the reset.
  for (const auto& [at, id, value] : std::vector<std::tuple<double, std::string, std::optional<V>>>{
           {100, "old", V::boolean(false)}, {500, "tile", std::nullopt}, {2000, "magnify", V::boolean(true)},
           {2000, "again", V::boolean(true)}}) {
    now = at;
    history.record(id, value);
  }
  const auto received = SyncDocument::fromData(
      SyncDocument{"MAC-B", "Office",
                   {{"quarantine", V::boolean(false)}, {"layout", V::string("Dvorak")},
                    {"recents", V::array({V::string("/Volumes/Office")})}, {"autohide", V::boolean(true)},
                    {"tile", V::real(48)}, {"magnify", V::boolean(false)}, {"count", V::string("3")},
                    {"old", V::boolean(true)}, {"again", V::boolean(true)}, {"newer.catalog.only", V::boolean(true)}}}
          .encoded());
  const auto rows = sync.compare(received, {});
  std::vector<std::string> ids;
  for (const auto& row : rows) ids.push_back(row.settingID);
  EXPECT_EQ(ids, (std::vector<std::string>{"quarantine", "layout", "autohide", "tile", "magnify", "count", "old", "again",
                                           "local"}));

  const C protection{{Reason::weakensSecurity, {}}}, system{{Reason::systemWritten, {}}}, kind{{Reason::wrongKind, {}}},
      reset{{Reason::resetHere, 500.0}}, magnify{{Reason::chosenHere, 2000.0}}, old{{Reason::chosenHere, 100.0}};
  const struct {
    std::optional<double> sharedAt;  // when the other Mac shared, as the server says
    std::vector<C> cautions;         // one per row above
    std::vector<std::string> copied;
  } cases[] = {
      // "again" brings back the very value chosen here: no choice stands against it.
      {1000.0, {protection, system, {}, reset, magnify, kind, {}, {}, {}}, {"autohide", "old", "again"}},
      {3000.0, {protection, system, {}, reset, {}, kind, {}, {}, {}}, {"autohide", "magnify", "old", "again"}},
      // A time far in the future undoes no reset and switches no protection.
      {1e15, {protection, system, {}, reset, {}, kind, {}, {}, {}}, {"autohide", "magnify", "old", "again"}},
      // Without a time, every other choice made here is the newer.
      {std::nullopt, {protection, system, {}, reset, magnify, kind, old, {}, {}}, {"autohide", "again"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sharedAt.value_or(-1));
    EXPECT_EQ(sync.cautions(rows, c.sharedAt), c.cautions);
    std::vector<std::string> unattended, atLogin;
    for (const auto& row : sync.unattended(rows, c.sharedAt)) unattended.push_back(row.settingID);
    EXPECT_EQ(unattended, c.copied);
    std::map<std::string, double> sharedAt;
    if (c.sharedAt) sharedAt["MAC-B"] = *c.sharedAt;
    for (const auto& row : sync.missingHere(SyncService::ReadResult({received}, {}, sharedAt), {}))
      atLogin.push_back(row.settingID);
    EXPECT_EQ(atLogin, c.copied) << "sync at login judges the same way";
  }
}
