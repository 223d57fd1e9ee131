// What sync at login and automatic sync may copy from another Mac without asking: only a plain
// switch, choice or slider, holding a value its control offers, that this Mac lacks and that its
// user decided nothing on, whatever the other Mac's clock. Everything else keeps its row and says
// why; an unreadable change history holds every row.

#include <gtest/gtest.h>

#include "LivePreferences.hpp"
#include "Sync/SyncService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
using V = PreferenceValue;
using Reason = SyncRowCaution::Reason;
using T = SettingValueType;
using K = SettingControl;

TEST(UnattendedCopy, OnlyAPlainOfferedValueNobodyDecidedOnComesOverAndTheRestWaitsWithItsReason) {
  const auto sides = K::choice({{V::string("left"), "Left"}, {V::string("bottom"), "Bottom"}});
  const struct {
    std::string id; T type; SettingControl control; V incoming;
    std::optional<Reason> expected;  // none: it comes over by itself, unless this Mac has a value
  } rows[] = {
      {"quarantine", T::boolean, K::toggle(), V::boolean(false), Reason::weakensSecurity},
      {"layout", T::string, K::text(), V::string("com.apple.keylayout.Dvorak"), Reason::systemWritten},
      {"count", T::integer, K::toggle(), V::string("3"), Reason::wrongKind},
      {"homePage", T::string, K::text(), V::string("http://example.com"), Reason::notPlain},
      {"profiles", T::dictionary, K::unsupported(), V::dictionary({{"CommandString", V::string("curl x | sh")}}),
       Reason::notPlain},
      {"profile", T::string, K::choice({{V::string("Basic"), "Basic"}}), V::string("Basic"), Reason::asksFirst},
      {"sideways", T::string, sides, V::string("sideways"), Reason::notOffered},
      {"huge", T::real, K::slider({16, 128, 1}), V::real(100000), Reason::notOffered},
      {"twoOfToggle", T::integer, K::toggle(), V::integer(2), Reason::notOffered},
      {"autohide", T::boolean, K::toggle(), V::boolean(true), std::nullopt},
      {"orientation", T::string, sides, V::string("left"), std::nullopt},
      {"tile", T::real, K::slider({16, 128, 1}), V::integer(64), Reason::wrongKind},
      {"size", T::real, K::slider({16, 128, 1}), V::real(64), std::nullopt},
      {"reset", T::boolean, K::toggle(), V::boolean(true), Reason::resetHere},
      {"chosen", T::boolean, K::toggle(), V::boolean(true), Reason::chosenHere},
      {"again", T::boolean, K::toggle(), V::boolean(true), std::nullopt},
      {"undone", T::boolean, K::toggle(), V::boolean(true), Reason::takenBack},
      {"declined", T::boolean, K::toggle(), V::boolean(true), Reason::declinedHere},
      {"local", T::boolean, K::toggle(), V::boolean(true), std::nullopt},
  };
  std::vector<SettingDefinition> settings;
  PreferenceValue::Dictionary shared;
  for (const auto& row : rows) {
    auto s = th::makeSetting(row.id, SettingRef{"com.example.dock", {row.id}, false}, row.type, row.control);
    s.risk = row.id == "quarantine" ? SettingRisk::weakensSecurity : SettingRisk::none;
    s.systemWritten = row.id == "layout";
    s.asksBeforeSync = row.id == "profile";
    settings.push_back(s);
    shared.insert_or_assign(row.id, row.incoming);
  }
  th::LivePreferences prefs;
  double now = 100;
  const IntentLog history(th::supportFile("intents.json"), "23F79", [&] { return now; });
  const SyncService sync(SettingsCatalog(1, 1, settings), SettingsService(prefs.resolver, prefs.store), prefs.resolver,
                         prefs.store, "MAC-A", "Studio", history);
  prefs.put("com.example.dock", "local", V::boolean(false));
  history.record({{"reset", std::nullopt}, {"chosen", V::boolean(false)}, {"again", V::boolean(true)}});
  history.held().hold({"undone"}, SettingHold::Why::tookBack);
  history.held().hold({"declined"}, SettingHold::Why::declined);
  const auto received = SyncDocument::fromData(SyncDocument{"MAC-B", "Office", shared}.encoded());

  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "an unreadable history" : "a history that reads");
    if (damaged) th::writeFile(history.path(), "[{\"settingID\": ");
    const auto compared = sync.compare(received, {});
    ASSERT_EQ(compared.size(), std::size(rows));
    std::vector<std::string> copied;
    for (std::size_t i = 0; i < compared.size(); ++i) {
      const auto& row = rows[i];
      const bool lacking = compared[i].difference.kind() == SyncDifference::Case::onlyThere;
      const bool decides = !row.expected || *row.expected >= Reason::resetHere;
      const auto expected = damaged && lacking && decides ? std::optional(Reason::historyLost) : row.expected;
      const auto caution = sync.cautions({compared[i]}).front();
      EXPECT_EQ(caution ? std::optional(caution->reason) : std::nullopt, expected) << row.id;
      if (!expected && lacking) copied.push_back(row.id);
    }
    std::vector<std::string> unattended, atLogin;
    for (const auto& row : sync.unattended(compared)) unattended.push_back(row.settingID);
    EXPECT_EQ(unattended, copied);
    // Sync at login judges the same way, whatever time the server gives the other Mac.
    for (const double sharedAt : {-1e15, 0.0, 1e15}) {
      atLogin.clear();
      for (const auto& row : sync.missingHere(SyncService::ReadResult({received}, {}, {{"MAC-B", sharedAt}}), {}))
        atLogin.push_back(row.settingID);
      EXPECT_EQ(atLogin, copied);
    }
    EXPECT_EQ(sync.historyDamage().has_value(), damaged);
  }
}
