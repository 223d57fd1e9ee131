#include <gtest/gtest.h>

#include "LoadOutcome.hpp"

#include <set>

#include "Support/Json.hpp"
#include "Catalog/ManualGuide.hpp"

using namespace amberloom;
using Kind = ManualSection::ReasonKind;

namespace {

// A section object; `extra` adds members after "verify".
std::string section(const std::string& id, const std::string& kind = "impossible",
                    const std::string& steps = R"([{"do": "Open it", "see": "It opens"}])",
                    const std::string& extra = "") {
  return R"({"id": ")" + id + R"(", "title": "T", "reason": "R", "reasonKind": ")" + kind + R"(", "steps": )" +
         steps + R"(, "verify": "V")" + extra + "}";
}

std::string guide(const std::vector<std::string>& sections) {
  std::string out = R"({"intro": "Intro", "sections": [)";
  for (std::size_t i = 0; i < sections.size(); ++i) out += (i ? "," : "") + sections[i];
  return out + "]}";
}

// What a load of `json` ends in: "loaded N", the error's description, or the decoding failure.
std::string loadOutcome(const std::string& json) {
  return amberloom::testing::loadOutcome<ManualGuideError>([&] { return ManualGuide::fromData(json).sections().size(); });
}

}  // namespace

TEST(ManualGuide, LoadsEverySectionFieldAsWritten) {
  const auto loaded = ManualGuide::fromData(R"({
    "intro": "Some changes are yours to make.",
    "ignored": true,
    "sections": [
      {"id": "full-disk", "title": "Full Disk Access", "systemSettingsPath": "Privacy & Security > Full Disk Access",
       "reason": "macOS asks you.", "reasonKind": "impossible",
       "steps": [{"do": "Open System Settings", "see": "The window opens"}, {"do": "Click +", "see": ""}],
       "verify": "The switch is on.", "note": " Needs a restart. "},
      {"id": "sip", "title": "SIP", "systemSettingsPath": null, "reason": "Too risky.", "reasonKind": "refused",
       "steps": [{"do": "Restart", "see": "Recovery"}], "verify": "csrutil status", "note": null},
      {"id": "plain", "title": "", "reason": "", "reasonKind": "refused", "steps": [{"do": "a", "see": "b"}], "verify": ""}
    ]})");

  EXPECT_EQ(loaded.intro(), "Some changes are yours to make.");
  const std::vector<ManualSection> expected{
      {"full-disk", "Full Disk Access", "Privacy & Security > Full Disk Access", "macOS asks you.", Kind::impossible,
       {{"Open System Settings", "The window opens"}, {"Click +", ""}}, "The switch is on.", " Needs a restart. "},
      {"sip", "SIP", std::nullopt, "Too risky.", Kind::refused, {{"Restart", "Recovery"}}, "csrutil status",
       std::nullopt},
      {"plain", "", std::nullopt, "", Kind::refused, {{"a", "b"}}, "", std::nullopt},
  };
  EXPECT_EQ(loaded.sections(), expected);
  EXPECT_EQ(loaded.sections()[0].steps[1].id(), "Click +");
}

TEST(ManualGuide, AFaultyGuideFailsWholeWithTheFirstFault) {
  struct Case {
    const char* name;
    std::string json;
    std::string outcome;
  };
  const std::vector<Case> cases{
      {"no sections is a valid guide", guide({}), "loaded 0"},
      {"reason kind with a capital letter", guide({section("a"), section("b", "Impossible")}),
       R"(unknownReasonKind(sectionID: "b", kind: "Impossible"))"},
      {"no steps", guide({section("a"), section("b", "refused", "[]")}), R"(emptySteps(sectionID: "b"))"},
      {"unknown kind and no steps fails on the kind", guide({section("a", "never", "[]")}),
       R"(unknownReasonKind(sectionID: "a", kind: "never"))"},
      {"a repeated id fails as a duplicate whatever else is wrong",
       guide({section("a"), section("a", "never", "[]")}), R"(duplicateSectionID("a"))"},
      {"the first faulty section wins", guide({section("a", "refused", "[]"), section("a")}),
       R"(emptySteps(sectionID: "a"))"},
      {"a decoding fault in a later section wins over a validation fault before it",
       guide({section("a", "never"), section("b", "refused", "[]", R"(, "note": 7)")}),
       "decoding typeMismatch at /sections/Index 1/note"},
      {"steps missing", R"({"intro": "", "sections": [{"id": "a", "title": "T", "reason": "R",
          "reasonKind": "refused", "verify": "V"}]})",
       "decoding keyNotFound at /sections/Index 0"},
      {"a step without what to see", guide({section("a", "refused", R"([{"do": "x"}])")}),
       "decoding keyNotFound at /sections/Index 0/steps/Index 0"},
      {"a path that is not a string", guide({section("a", "refused", R"([{"do": "x", "see": "y"}])",
                                                     R"(, "systemSettingsPath": ["General"])")}),
       "decoding typeMismatch at /sections/Index 0/systemSettingsPath"},
      {"no intro", R"({"sections": []})", "decoding keyNotFound at "},
  };
  for (const auto& c : cases) EXPECT_EQ(loadOutcome(c.json), c.outcome) << c.name;
}

TEST(ManualGuide, SectionLookupIsExactAndGivesTheFirstMatch) {
  const ManualSection first{"dup", "First", std::nullopt, "", Kind::impossible, {{"a", "b"}}, "", std::nullopt};
  ManualSection second = first;
  second.title = "Second";
  const ManualGuide guide("", {first, second});

  ASSERT_TRUE(guide.section("dup"));
  EXPECT_EQ(guide.section("dup")->title, "First");
  EXPECT_FALSE(guide.section("Dup"));
  EXPECT_FALSE(guide.section("dup "));
  EXPECT_FALSE(ManualGuide::fromData(R"({"intro": "Hello", "sections": []})").section("dup"));
}

TEST(ManualGuide, TheBuiltInGuideLoadsWithSectionsOfBothReasonKinds) {
  const auto builtIn = ManualGuide::bundled();
  EXPECT_FALSE(builtIn.intro().empty());
  EXPECT_GE(builtIn.sections().size(), 6u);
  std::set<Kind> kinds;
  for (const auto& section : builtIn.sections()) kinds.insert(section.reasonKind);
  EXPECT_EQ(kinds, (std::set<Kind>{Kind::impossible, Kind::refused}));
}
