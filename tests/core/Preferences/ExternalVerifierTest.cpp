#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/PreferenceWriter.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace test = amberloom::testing;
using V = PreferenceValue;

namespace {

constexpr const char* kPlistWithK =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
    "<key>k</key><integer>1</integer></dict></plist>\n";

V dateText(const char* iso) { return V::fromJson(Json{{"date", iso}}); }

// A stand-in for the `defaults` command: records its arguments, one a line, in ~/arguments.
std::string fakeDefaults(const std::string& body) {
  return test::writeExecutable(test::home() + "/bin/fake-defaults",
                                  "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$HOME/arguments\"\n" + body);
}

class ExternalVerifierTest : public ::testing::Test {
 protected:
  ExternalVerifier verifier{test::defaultsPath()};
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// What the application writes, another process sees

TEST_F(ExternalVerifierTest, SeesWritesToEveryKindOfDomain) {
  test::makeContainer("com.example.sandboxed");
  const std::pair<const char*, bool> domains[] = {{"com.example.plain", false},     {"NSGlobalDomain", false},
                                                  {"NSGlobalDomain", true},          {"com.example.plain", true},
                                                  {"com.example.sandboxed", false}, {"com.example.sandboxed", true}};
  std::int64_t marker = 0;
  for (const auto& [name, byHost] : domains) {
    const ResolvedDomain domain = resolver.resolve(name, byHost);
    const V value = V::integer(++marker);
    store->write(value, "marker", domain);
    EXPECT_TRUE(verifier.canRead(domain)) << name << " " << byHost;
    EXPECT_EQ(verifier.read("marker", domain), value) << name << " " << byHost;
    EXPECT_TRUE(verifier.confirm("marker", domain, value)) << name << " " << byHost;
  }
  // Any-host and current-host values are separate files.
  EXPECT_EQ(verifier.read("marker", resolver.resolve("NSGlobalDomain", false)), V::integer(2));
  EXPECT_EQ(verifier.read("marker", resolver.resolve("NSGlobalDomain", true)), V::integer(3));
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.sandboxed")));
}

TEST_F(ExternalVerifierTest, SeesANestedKeyPathWriteAsItsRoot) {
  const ResolvedDomain domain = resolver.resolve("com.example.nested", false);
  PreferenceWriter writer(store);
  store->write(V::dictionary({{"keep", V::string("me")}}), "root", domain);
  writer.write(V::real(0.5), {"root", "inner", "leaf"}, domain);
  EXPECT_EQ(verifier.read("root", domain),
            V::dictionary({{"keep", V::string("me")}, {"inner", V::dictionary({{"leaf", V::real(0.5)}})}}));
}

TEST_F(ExternalVerifierTest, EveryKindCrossesUnchanged) {
  const ResolvedDomain domain{"com.example.kinds", HostScope::anyHost};
  const std::pair<const char*, V> values[] = {
      {"bool", V::boolean(true)},
      {"negative", V::integer(-9007199254740993)},
      {"min", V::integer(std::numeric_limits<std::int64_t>::min())},
      {"one", V::real(1.0)},
      {"third", V::real(1.0 / 3.0)},
      {"text", V::string("a/b <&> \"q\" caf\xC3\xA9 \xF0\x9F\x8C\x99")},
      {"bytes", V::data({0, 1, 127, 128, 255})},
      {"date", dateText("2024-03-05T14:07:09Z")},
      {"dict", V::dictionary({{"n", V::dictionary({{"x", V::integer(1)}})}, {"e", V::dictionary({})}})},
      {"array", V::array({V::integer(1), V::real(1.0), V::boolean(true), V::array({})})},
  };
  for (const auto& [key, value] : values) store->write(value, key, domain);
  for (const auto& [key, value] : values) {
    EXPECT_EQ(store->read(key, domain), value) << key;
    const auto seen = verifier.read(key, domain);
    EXPECT_EQ(seen, value) << key;  // equality includes the kind: 1.0 stays a double
  }
}

TEST_F(ExternalVerifierTest, ValuesXmlCannotCarryAreSeenOutsideAsStored) {
  const ResolvedDomain domain{"com.example.edges", HostScope::anyHost};
  const std::pair<std::string, V> values[] = {
      {"zero", V::real(-0.0)},
      {"nul", V::string(std::string("a\0b", 3))},
      {"control", V::string("a\x01z")},
      {"\xEF\xBF\xBE", V::string("\xEF\xBF\xBE")},
      {"first", dateText("0001-01-01T00:00:00Z")},
      {"last", dateText("9999-12-31T23:59:59.999Z")},
      {"nested", V::dictionary({{"\x1F", V::array({V::string(std::string(1, '\0')), V::real(-0.0)})}})},
  };
  for (const auto& [key, value] : values) store->write(value, key, domain);
  for (const auto& [key, value] : values) EXPECT_TRUE(verifier.confirm(key, domain, value)) << key;
  EXPECT_TRUE(std::signbit(verifier.read("zero", domain)->asDouble()));
}

TEST_F(ExternalVerifierTest, DatesAreExactInTheFileAndWholeSecondsOutside) {
  const ResolvedDomain domain{"com.example.dates", HostScope::anyHost};
  const V precise = dateText("2024-03-05T14:07:09.250Z");
  store->write(precise, "when", domain);
  EXPECT_EQ(store->read("when", domain), precise);
  EXPECT_EQ(verifier.read("when", domain), dateText("2024-03-05T14:07:09Z"));
  EXPECT_FALSE(verifier.confirm("when", domain, precise));
}

TEST_F(ExternalVerifierTest, AbsentKeyOrDomainReadsAsNoneAndABrokenFileCannotBeRead) {
  const ResolvedDomain domain{"com.example.some", HostScope::anyHost};
  store->write(V::integer(1), "present", domain);
  EXPECT_FALSE(verifier.read("absent", domain).has_value());
  EXPECT_TRUE(verifier.canRead(domain));
  const ResolvedDomain nothing{"com.example.nothing", HostScope::anyHost};
  EXPECT_FALSE(verifier.read("present", nothing).has_value());
  EXPECT_TRUE(verifier.canRead(nothing));
  test::writeFile(test::preferencesFile("com.example.broken"), "bplist00 truncated");
  EXPECT_FALSE(verifier.canRead({"com.example.broken", HostScope::anyHost}));
}

TEST_F(ExternalVerifierTest, ConfirmRequiresTheSameKind) {
  const ResolvedDomain domain{"com.example.kind", HostScope::anyHost};
  store->write(V::boolean(true), "flag", domain);
  store->write(V::real(1.0), "scale", domain);
  EXPECT_TRUE(verifier.confirm("flag", domain, V::boolean(true)));
  EXPECT_FALSE(verifier.confirm("flag", domain, V::integer(1)));
  EXPECT_TRUE(verifier.confirm("scale", domain, V::real(1.0)));
  EXPECT_FALSE(verifier.confirm("scale", domain, V::integer(1)));
  EXPECT_FALSE(verifier.confirm("missing", domain, V::boolean(false)));
}

// ---------------------------------------------------------------------------------------------
// The child process

TEST_F(ExternalVerifierTest, RunsTheCommandWithTheExportArguments) {
  const ExternalVerifier fake(fakeDefaults(std::string("cat <<'EOF'\n") + kPlistWithK + "EOF\n"));
  const std::string container = test::makeContainer("com.example.sandboxed");
  struct Case {
    ResolvedDomain domain;
    std::string arguments;
  };
  const Case cases[] = {
      {resolver.resolve("NSGlobalDomain", true), "-currentHost\nexport\nNSGlobalDomain\n-\n"},
      {resolver.resolve("NSGlobalDomain", false), "export\nNSGlobalDomain\n-\n"},
      {resolver.resolve("com.example.sandboxed", false), "export\n" + container + "\n-\n"},
      {resolver.resolve("com.apple.dock", true), "-currentHost\nexport\ncom.apple.dock\n-\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fake.read("k", c.domain), V::integer(1));
    EXPECT_EQ(test::readFile(test::home() + "/arguments"), c.arguments);
  }
}

TEST_F(ExternalVerifierTest, FailedExportIsNoneWhateverWasPrinted) {
  const ResolvedDomain domain{"com.example.any", HostScope::anyHost};
  struct Case {
    const char* what;
    std::string body;
  };
  const Case cases[] = {
      {"non-zero exit", std::string("cat <<'EOF'\n") + kPlistWithK + "EOF\nexit 1\n"},
      {"killed by a signal", std::string("cat <<'EOF'\n") + kPlistWithK + "EOF\nkill -9 $$\n"},
      {"not a property list", "echo 'k = 1'\n"},
      {"nothing printed", "exit 0\n"},
      {"an array, not a dictionary", "echo '<plist version=\"1.0\"><array><integer>1</integer></array></plist>'\n"},
  };
  for (const auto& c : cases) {
    const ExternalVerifier fake(fakeDefaults(c.body));
    EXPECT_FALSE(fake.read("k", domain).has_value()) << c.what;
    EXPECT_FALSE(fake.canRead(domain)) << c.what;
    EXPECT_FALSE(fake.confirm("k", domain, V::integer(1))) << c.what;
  }
  const ExternalVerifier missing(test::home() + "/bin/no-such-command");
  EXPECT_FALSE(missing.read("k", domain).has_value());
  EXPECT_FALSE(missing.canRead(domain));
  test::writeFile(test::home() + "/bin/not-executable", "#!/bin/sh\n");
  EXPECT_FALSE(ExternalVerifier(test::home() + "/bin/not-executable").canRead(domain));
}

TEST_F(ExternalVerifierTest, ChildFloodingStandardErrorDoesNotHang) {
  const ExternalVerifier fake(fakeDefaults(std::string("head -c 1048576 /dev/zero | tr '\\0' x >&2\n") +
                                           "cat <<'EOF'\n" + kPlistWithK + "EOF\n"));
  EXPECT_EQ(fake.read("k", {"com.example.loud", HostScope::anyHost}), V::integer(1));
}

TEST_F(ExternalVerifierTest, ExportThatDoesNotFinishInTimeIsAFailedRead) {
  // The whole answer is printed, but the command never exits: it is killed and nothing counts.
  const ExternalVerifier stalled(fakeDefaults(std::string("cat <<'EOF'\n") + kPlistWithK + "EOF\nsleep 30\n"),
                                 std::chrono::milliseconds(300));
  const ResolvedDomain domain{"com.example.stalled", HostScope::anyHost};
  EXPECT_FALSE(stalled.read("k", domain).has_value());
  EXPECT_FALSE(stalled.canRead(domain));
  EXPECT_FALSE(stalled.confirm("k", domain, V::integer(1)));
}
