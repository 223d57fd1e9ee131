// Which values a control admits and how a value reads beside it, over every control kind.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingControl.hpp"

using namespace amberloom;

namespace {

using PV = PreferenceValue;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

const SettingControl intChoice = SettingControl::choice({{PV::integer(1), "One"}, {PV::integer(2), "Two"}});
const SettingControl realChoice = SettingControl::choice({{PV::real(1.0), "Whole"}, {PV::real(0.0), "Zero"}});
const SettingControl duplicateChoice = SettingControl::choice({{PV::string("a"), "First"}, {PV::string("a"), "Second"}});
const SettingControl emptyChoice = SettingControl::choice({});
const SettingControl slider = SettingControl::slider({0, 10, 0.5});

std::vector<SettingControl> freeControls() {
  return {SettingControl::toggle(), SettingControl::text(), SettingControl::color(), SettingControl::folder(),
          SettingControl::unsupported()};
}

}  // namespace

TEST(SettingControl, AcceptsOnlyWhatTheControlAdmits) {
  struct Case {
    const char* name;
    SettingControl control;
    PV value;
    bool accepted;
  };
  const std::vector<Case> cases{
      {"choice matches an option", intChoice, PV::integer(2), true},
      {"choice refuses a value outside its options", intChoice, PV::integer(3), false},
      {"an int never matches a double option", realChoice, PV::integer(1), false},
      {"doubles compare numerically", realChoice, PV::real(-0.0), true},
      {"NaN matches no option", realChoice, PV::real(notANumber), false},
      {"a choice without options refuses everything", emptyChoice, PV::boolean(true), false},
      {"slider takes a double inside", slider, PV::real(3.3), true},
      {"slider bounds are inclusive", slider, PV::integer(10), true},
      {"slider has no tolerance", slider, PV::real(10.0001), false},
      {"slider refuses below the minimum", slider, PV::integer(-1), false},
      {"slider ignores the step", slider, PV::real(0.3), true},
      {"slider refuses NaN", slider, PV::real(notANumber), false},
      {"slider refuses infinity", slider, PV::real(inf), false},
      {"slider refuses a huge int", slider, PV::integer(std::numeric_limits<std::int64_t>::max()), false},
      {"slider refuses a numeric string", slider, PV::string("5"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.control.accepts(c.value), c.accepted) << c.name;

  const std::vector<PV> anything{PV::boolean(false), PV::integer(-7), PV::real(notANumber), PV::string(""), PV::data({1}),
                                 PV::date(0), PV::dictionary({}), PV::array({})};
  for (const auto& control : freeControls())
    for (const auto& value : anything)
      EXPECT_TRUE(control.accepts(value)) << SettingControl::kindName(control.kind()) << " "
                                          << PV::kindName(value.kind());
}

TEST(SettingControl, DescribesValuesByLabelThenByKind) {
  struct Case {
    const char* name;
    SettingControl control;
    std::optional<PV> value;
    std::string text;
  };
  const std::vector<Case> cases{
      {"nothing set, even under a choice", intChoice, std::nullopt, "not set"},
      {"a matching option gives its label", intChoice, PV::integer(2), "Two"},
      {"the first matching option wins", duplicateChoice, PV::string("a"), "First"},
      {"no matching option falls back to the kind", intChoice, PV::boolean(true), "on"},
      {"an int is not a double option's label", realChoice, PV::integer(1), "1"},
      {"false", SettingControl::toggle(), PV::boolean(false), "off"},
      {"smallest int", SettingControl::text(), PV::integer(std::numeric_limits<std::int64_t>::min()),
       "-9223372036854775808"},
      {"whole double", slider, PV::real(2.0), "2"},
      {"negative zero", slider, PV::real(-0.0), "0"},
      {"largest whole double below 2^63", slider, PV::real(9223372036854774784.0), "9223372036854774784"},
      {"2^63 has no integer form", slider, PV::real(9223372036854775808.0), "9223372036854775808"},
      {"-2^63", slider, PV::real(-9223372036854775808.0), "-9223372036854775808"},
      {"1e20 in its shortest form", slider, PV::real(1e20), "1e+20"},
      {"largest double", slider, PV::real(std::numeric_limits<double>::max()), "1.7976931348623157e+308"},
      {"infinity", slider, PV::real(inf), "inf"},
      {"negative infinity", slider, PV::real(-inf), "-inf"},
      {"NaN", slider, PV::real(notANumber), "nan"},
      {"negative NaN", slider, PV::real(-notANumber), "nan"},
      {"fraction", slider, PV::real(0.1), "0.1"},
      {"six significant digits", slider, PV::real(0.1234567), "0.123457"},
      {"large fraction in exponent form", slider, PV::real(1.5e6 + 0.5), "1.5e+06"},
      {"tiny fraction in exponent form", slider, PV::real(1e-7), "1e-07"},
      {"string unchanged", SettingControl::color(), PV::string("0.5 0.2 0.1"), "0.5 0.2 0.1"},
      {"data", SettingControl::unsupported(), PV::data({1, 2}), "\u2026"},
      {"dictionary", SettingControl::unsupported(), PV::dictionary({{"a", PV::integer(1)}}), "\u2026"},
      {"array", SettingControl::unsupported(), PV::array({PV::integer(1)}), "\u2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.control.describe(c.value), c.text) << c.name;
}
