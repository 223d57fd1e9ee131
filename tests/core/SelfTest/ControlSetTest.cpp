#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "Preferences/CFPreferenceStore.hpp"
#include "SelfTest/ControlSet.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace test = amberloom::testing;

namespace {

std::string control(const std::string& fields) {
  return R"({"id": "c", "domain": "com.example.c", "path": ["K"], "expect": "failsImmediately", "why": "w", )" +
         fields + "}";
}
std::string controlsFile(const std::string& controls) { return R"({"controls": [)" + controls + "]}"; }

std::string loadOutcome(const std::string& json) {
  try {
    return "loaded " + std::to_string(ControlSet::fromData(json).entries().size());
  } catch (const CatalogError& error) {
    return std::string("catalog ") + error.what();
  } catch (const VerificationValuesError& error) {
    return std::string("values ") + error.what();
  } catch (const DecodingError& error) {
    static const char* kinds[] = {"typeMismatch", "valueNotFound", "keyNotFound", "dataCorrupted"};
    std::string where;
    for (const auto& key : error.codingPath()) where += "/" + key;
    return std::string("decoding ") + kinds[static_cast<int>(error.kind())] + " at " + where;
  }
}

std::string verdictText(const ControlVerdict& verdict) {
  return verdict.kind() == ControlVerdict::Kind::runnerIsTrustworthy ? "trustworthy"
                                                                     : "cannot be trusted: " + verdict.reason();
}

}  // namespace

TEST(ControlSet, LoadsControlsInFileOrderKeepingRepeatedIds) {
  const auto set = ControlSet::fromData(R"({"controls": [
      {"id": "late", "domain": "com.apple.dock", "path": ["region"], "type": "string", "value": "ZZ",
       "expect": "failsAfterRestart", "why": "rewritten at launch", "restart": ["Dock"], "extra": 1},
      {"id": "size", "domain": "/Library/Managed Preferences/com.apple.dock", "path": ["a", "b"], "type": "double",
       "value": 3, "expect": "failsImmediately", "why": "not ours"},
      {"id": "late", "domain": "d", "path": ["k"], "type": "bool", "value": true, "expect": "failsImmediately", "why": "again"}
    ]})");
  const std::vector<ControlEntry> expected{
      {"late",
       SettingRef{"com.apple.dock", {"region"}, false},
       PreferenceValue::string("ZZ"),
       ControlExpectation::failsAfterRestart,
       "rewritten at launch",
       {"Dock"}},
      {"size",
       SettingRef{"/Library/Managed Preferences/com.apple.dock", {"a", "b"}, false},
       PreferenceValue::real(3.0),
       ControlExpectation::failsImmediately,
       "not ours",
       {}},
      {"late",
       SettingRef{"d", {"k"}, false},
       PreferenceValue::boolean(true),
       ControlExpectation::failsImmediately,
       "again",
       {}},
  };
  EXPECT_EQ(set.entries(), expected);
  // Lookups by id take the first entry, in the expectations and in the test values alike.
  EXPECT_EQ(set.expectation("late"), ControlExpectation::failsAfterRestart);
  EXPECT_EQ(set.asValues().value("late"), (VerificationValue{"late", PreferenceValue::string("ZZ"), false}));
  EXPECT_EQ(set.expectation("Late"), std::nullopt);
}

TEST(ControlSet, AFaultyControlFailsTheWholeSet) {
  struct Case {
    const char* name;
    std::string json;
    std::string outcome;
  };
  const std::vector<Case> cases{
      {"no controls", R"({"controls": []})", "loaded 0"},
      {"double from an integer", controlsFile(control(R"("type": "double", "value": 3)")), "loaded 1"},
      {"int with a fraction", controlsFile(control(R"("type": "int", "value": 3.5)")),
       R"(values valueDoesNotMatchType(settingID: "c", type: "int"))"},
      {"array type", controlsFile(control(R"("type": "array", "value": 1)")),
       R"(values valueDoesNotMatchType(settingID: "c", type: "array"))"},
      {"unknown type", controlsFile(control(R"("type": "float", "value": 1.5)")),
       R"(catalog unknownValueType(settingID: "c", type: "float"))"},
      {"empty path", R"({"controls": [{"id": "c", "domain": "d", "path": [], "type": "bool", "value": true,
                         "expect": "failsImmediately", "why": "w"}]})",
       R"(catalog emptyPath(settingID: "c"))"},
      {"unknown type beats empty path", R"({"controls": [{"id": "c", "domain": "d", "path": [], "type": "float",
                                            "value": 1, "expect": "failsImmediately", "why": "w"}]})",
       R"(catalog unknownValueType(settingID: "c", type: "float"))"},
      {"unknown expectation", R"({"controls": [{"id": "c", "domain": "d", "path": ["k"], "type": "bool", "value": true,
                                  "expect": "fails", "why": "w"}]})",
       "decoding dataCorrupted at /controls/Index 0/expect"},
      {"value not a scalar", controlsFile(control(R"("type": "bool", "value": [true])")),
       "decoding typeMismatch at /controls/Index 0/value"},
      {"restart not a list", controlsFile(control(R"("type": "bool", "value": true, "restart": "Dock")")),
       "decoding typeMismatch at /controls/Index 0/restart"},
      // The whole document is decoded before any control is checked.
      {"decoding fault after a bad type",
       controlsFile(control(R"("type": "float", "value": 1)") + "," + control(R"("type": "bool")")),
       "decoding keyNotFound at /controls/Index 1"},
  };
  for (const auto& c : cases) EXPECT_EQ(loadOutcome(c.json), c.outcome) << c.name;
}

TEST(ControlSet, PresentsItsControlsToTheRunnerAsToggleSettingsWithTheirValues) {
  const ControlSet set({{"text",
                         SettingRef{"com.example.c", {"a", "b"}, false},
                         PreferenceValue::string("~/x"),
                         ControlExpectation::failsImmediately,
                         "Known to be ignored",
                         {}},
                        {"late",
                         SettingRef{"com.apple.dock", {"region"}, false},
                         PreferenceValue::integer(4),
                         ControlExpectation::failsAfterRestart,
                         "Rewritten at launch",
                         {"Dock"}}});
  const auto catalog = set.asCatalog();
  EXPECT_EQ(catalog.schemaVersion(), 1);
  EXPECT_EQ(catalog.catalogVersion(), 0);

  SettingDefinition text;
  text.id = "text";
  text.ref = SettingRef{"com.example.c", {"a", "b"}, false};
  text.type = SettingValueType::boolean;
  text.label = "Known to be ignored";
  text.control = SettingControl::toggle();
  SettingDefinition late = text;
  late.id = "late";
  late.ref = SettingRef{"com.apple.dock", {"region"}, false};
  late.label = "Rewritten at launch";
  late.restartsApps = {"Dock"};
  EXPECT_EQ(catalog.settings(), (std::vector<SettingDefinition>{text, late}));

  // The test values are written as they stand: no tilde expansion for a control.
  const VerificationValues::Table values{{"text", {"text", PreferenceValue::string("~/x"), false}},
                                         {"late", {"late", PreferenceValue::integer(4), false}}};
  EXPECT_EQ(set.asValues().byID(), values);

  const ControlSet empty;
  EXPECT_TRUE(empty.asCatalog().settings().empty());
  EXPECT_TRUE(empty.asValues().byID().empty());
  EXPECT_EQ(empty.expectation("text"), std::nullopt);
}

TEST(ControlSet, JudgeTrustsTheRunnerOnlyWhenEachControlFailsWhereItShould) {
  using R = VerificationResult;
  const auto pass = R::pass();
  const auto mismatch = R::mismatch(PreferenceValue::boolean(true), std::nullopt);
  const auto inconclusive = R::inconclusive(PreferenceValue::boolean(true));
  struct Case {
    ControlExpectation expectation;
    R apply, recheck;
    std::string verdict;
  };
  const auto after = ControlExpectation::failsAfterRestart;
  const auto now = ControlExpectation::failsImmediately;
  const std::vector<Case> cases{
      {after, inconclusive, pass, "cannot be trusted: kontrol ayari olculemedi"},
      {now, pass, inconclusive, "cannot be trusted: kontrol ayari olculemedi"},
      {after, pass, mismatch, "trustworthy"},
      {after, pass, pass, "cannot be trusted: yeniden baslatmada kaybolmasi beklenen ayar sag gorundu"},
      {after, mismatch, pass, "cannot be trusted: yeniden baslatmada kaybolmasi beklenen ayar sag gorundu"},
      {after, pass, R::missingTestValue(), "trustworthy"},
      {now, mismatch, pass, "trustworthy"},
      {now, R::writeFailed("emptyPath"), pass, "trustworthy"},
      {now, R::measuredElsewhere(), pass, "trustworthy"},
      {now, pass, mismatch, "cannot be trusted: bozuk olmasi beklenen ayar yesil verdi"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(verdictText(ControlSet::judge(c.expectation, c.apply, c.recheck)), c.verdict) << "case " << i;
  }
}

TEST(ControlSet, BundledControlsCoverBothExpectationsAndThoseThatFailAtOnceDoFailHere) {
  const auto set = ControlSet::bundled();
  std::set<std::string> ids;
  std::set<ControlExpectation> expectations;
  for (const auto& entry : set.entries()) {
    EXPECT_TRUE(ids.insert(entry.id).second) << entry.id << " appears twice";
    expectations.insert(entry.expectation);
    if (entry.expectation == ControlExpectation::failsAfterRestart) {
      EXPECT_FALSE(entry.restartsApps.empty()) << entry.id << " names no app whose restart would undo it";
    }
  }
  EXPECT_EQ(expectations.size(), 2u);

  // Through the real store and the defaults command, a control that must fail at once never
  // shows up from outside, and the run leaves no trace in the home.
  const VerificationRunner runner(
      set.asCatalog(), set.asValues(), DomainResolver::live(), std::make_shared<CFPreferenceStore>(),
      std::make_shared<ExternalVerifier>(test::defaultsPath()), PreferenceFileLocator::live(), test::home());
  std::vector<std::string> immediate;
  for (const auto& entry : set.entries())
    if (entry.expectation == ControlExpectation::failsImmediately) immediate.push_back(entry.id);
  const auto report = runner.apply(immediate);
  const auto recheck = runner.recheck(report);
  ASSERT_EQ(report.outcomes.size(), immediate.size());
  for (std::size_t i = 0; i < immediate.size(); ++i)
    EXPECT_EQ(verdictText(ControlSet::judge(ControlExpectation::failsImmediately, report.outcomes[i].result,
                                            recheck[i].result)),
              "trustworthy")
        << immediate[i];
  runner.restore(report.snapshot);
  EXPECT_FALSE(test::fileExists(test::home() + "/Library/Preferences"));
}
