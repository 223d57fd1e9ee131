// A preference file holding one malformed value, as another program may leave it, reads as
// unreadable on every road: the batch writer and the `defaults` command refuse to rewrite it, and
// its bytes stay as they were, so no key the user never touched takes a value nobody stored.

#include <gtest/gtest.h>

#include <limits>

#include "Changes/PreferenceApplier.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.label = definition.id;
  definition.ref = SettingRef{std::move(domain), std::move(path), false};
  definition.type = type;
  return definition;
}

}  // namespace

TEST(MalformedPreferenceFile, IsRefusedByABatchAndByTheDefaultsCommandAndKeepsItsBytes) {
  const auto store = std::make_shared<CFPreferenceStore>();
  const DomainResolver resolver = DomainResolver::live();
  const PreferenceApplier applier(SettingsService(resolver, store), resolver, SnapshotService(store, resolver),
                                  IntentLog(th::home() + "/Library/Application Support/AmberLoom/intents.json", "23F79"));
  const ExternalVerifier outside(th::defaultsPath());

  // Values a lenient reader took for others: a sign flipped, a clamp, a day that does not exist.
  const std::string path = th::preferencesFile("com.example.neg");
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "\t<key>Neg</key>\n\t<integer>-9223372036854775809</integer>\n"
      "\t<key>Nested</key>\n\t<dict>\n\t\t<key>When</key>\n\t\t<array><date>2021-02-30T00:00:00Z</date></array>\n\t</dict>\n"
      "\t<key>Other</key>\n\t<integer>5</integer>\n</dict>\n</plist>\n";
  th::writeFile(path, bytes);

  const auto other = setting("neg.other", "com.example.neg", {"Other"}, SettingValueType::integer);
  const auto nested = setting("neg.nested", "com.example.neg", {"Nested", "Flag"}, SettingValueType::boolean);
  const auto elsewhere = setting("fine.flag", "com.example.fine", {"Flag"}, SettingValueType::boolean);
  const auto report = applier.apply({{other, PreferenceValue::integer(1)},
                                     {nested, PreferenceValue::boolean(true)},
                                     {elsewhere, PreferenceValue::boolean(true)}},
                                    outside);
  ASSERT_EQ(report.outcomes.size(), 3u);
  EXPECT_FALSE(report.outcomes[0].applied);
  EXPECT_FALSE(report.outcomes[1].applied);
  EXPECT_TRUE(report.outcomes[2].applied) << report.outcomes[2].failureReason.value_or("");
  EXPECT_FALSE(outside.canRead(resolver.resolve("com.example.neg", false)));

  const auto written = th::runDefaults({"write", "com.example.neg", "Other", "-int", "1"});
  EXPECT_EQ(written.exitStatus, 1);
  EXPECT_NE(written.standardError.find("unreadable"), std::string::npos) << written.standardError;
  EXPECT_EQ(th::readFile(path), bytes);

  // Once the other program mends its file, the next batch reads and writes it at once.
  std::string mended = bytes;
  mended.replace(mended.find("-9223372036854775809"), 20, "-9223372036854775808");
  mended.replace(mended.find("2021-02-30"), 10, "2021-02-28");
  th::writeFile(path, mended);
  const auto again = applier.apply({{other, PreferenceValue::integer(1)}}, outside);
  EXPECT_TRUE(again.outcomes[0].applied) << again.outcomes[0].failureReason.value_or("");
  EXPECT_EQ(outside.read("Neg", resolver.resolve("com.example.neg", false)),
            PreferenceValue::integer(std::numeric_limits<std::int64_t>::min()));
}
