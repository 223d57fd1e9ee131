// Sync documents as another Mac sees them: what survives the file form, which edits the checksum
// catches, and that hostile or odd documents are refused and odd values left out, never written.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "Sync/SyncDocument.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using V = PreferenceValue;

SyncDocument sample() {
  return SyncDocument{"MAC-A", "Studio", {{"a", V::integer(1)}, {"b", V::string("x")}}};
}

std::optional<SyncError> readError(const std::string& bytes) {
  try {
    SyncDocument::fromData(bytes);
    return std::nullopt;
  } catch (const SyncError& error) {
    return error;
  }
}

std::string edited(const std::function<void(Json&)>& edit) {
  Json json = parseJson(sample().encoded());
  edit(json);
  return writeJson(json, JsonStyle::compact);  // another layout than the writer's
}

std::string nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "{\"array\":[";
  text += "{\"int\":1}";
  for (int i = 0; i < depth; ++i) text += "]}";
  return text;
}

}  // namespace

TEST(SyncDocument, ReadingAcceptsHarmlessEditsAndRefusesEverythingElse) {
  const auto checksumMismatch = SyncError::checksumMismatch("MAC-A");
  const auto unreadable = SyncError::unreadable();
  const std::string hugeText(SyncDocument::maximumTextLength + 1, 'x');
  const std::string largeName(SyncDocument::maximumSize, 'n');
  const auto withValue = [](const std::string& a) {  // written by hand, checksum left empty
    return "{\"schemaVersion\":1,\"deviceID\":\"MAC-A\",\"checksum\":\"\",\"intents\":{\"a\":" + a + "}}";
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<SyncError> expected;
  };
  const Case cases[] = {
      {"other device id", edited([](Json& j) { j["deviceID"] = "MAC-Z"; }), std::nullopt},
      {"name null", edited([](Json& j) { j["deviceName"] = nullptr; }), std::nullopt},
      {"schema 0", edited([](Json& j) { j["schemaVersion"] = 0; }), std::nullopt},
      {"unknown key", edited([](Json& j) { j["extra"] = {1, 2}; }), std::nullopt},
      {"value changed", edited([](Json& j) { j["intents"]["a"] = {{"int", 2}}; }), checksumMismatch},
      {"setting added", edited([](Json& j) { j["intents"]["c"] = {{"bool", true}}; }), checksumMismatch},
      {"setting removed", edited([](Json& j) { j["intents"].erase("b"); }), checksumMismatch},
      {"upper-case checksum",
       edited([](Json& j) {
         auto text = j["checksum"].get<std::string>();
         for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         j["checksum"] = text;
       }),
       checksumMismatch},
      {"newer schema, wrong checksum",
       edited([](Json& j) { j["schemaVersion"] = 2, j["checksum"] = "0"; }),
       SyncError::unsupportedSchemaVersion("MAC-A", 2, 1)},
      {"checksum missing", edited([](Json& j) { j.erase("checksum"); }), unreadable},
      {"intents missing", edited([](Json& j) { j.erase("intents"); }), unreadable},
      {"two kinds", edited([](Json& j) { j["intents"]["a"]["bool"] = true; }), unreadable},
      {"not JSON", "{\"schemaVersion\": 1,", unreadable},
      {"huge text", edited([&](Json& j) { j["intents"]["a"] = {{"string", hugeText}}; }), unreadable},
      {"huge name", edited([&](Json& j) { j["deviceName"] = hugeText; }), unreadable},
      {"overflowing double", withValue("{\"double\":1e999}"), unreadable},
      {"deep nesting", withValue(nested(20000)), unreadable},
      {"oversized", edited([&](Json& j) { j["deviceName"] = largeName; }), unreadable},
  };
  for (const auto& c : cases) EXPECT_EQ(readError(c.bytes), c.expected) << c.name;
  EXPECT_EQ(SyncDocument::fromData(cases[0].bytes).deviceID, "MAC-Z");
  EXPECT_EQ(SyncDocument::fromData(cases[1].bytes).deviceName, std::nullopt);
}

TEST(SyncDocument, ValuesAnotherMacCouldNotReadAreLeftOutAndTheRestIsShared) {
  const double inf = std::numeric_limits<double>::infinity();
  V deep = V::integer(1);
  for (std::size_t i = 0; i <= SyncDocument::maximumNesting; ++i) deep = V::array({deep});
  const SyncDocument local{"MAC-A",
                           "Studio",
                           {{"kept", V::real(2.5)},
                            {"nan", V::real(std::nan(""))},
                            {"inf.inside", V::dictionary({{"x", V::real(-inf)}})},
                            {"huge", V::string(std::string(SyncDocument::maximumTextLength + 1, 'x'))},
                            {"deep", deep},
                            {"far.future", V::date(1e300)}}};

  const std::string bytes = local.encoded();
  for (const char* word : {"null", "NaN", "nan", "Infinity", "inf"}) EXPECT_EQ(bytes.find(word), std::string::npos) << word;
  const auto shared = SyncDocument::fromData(bytes);
  EXPECT_EQ(shared.intents, (V::Dictionary{{"kept", V::real(2.5)}}));
}

TEST(SyncDocument, RoundTripsEveryKindWithAChecksumPythonRecomputesFromTheCompactSortedIntents) {
  if (!th::python3()) GTEST_SKIP() << "python3 is not installed";
  const SyncDocument document{"MAC-A",
                              "",
                              {{"z.last", V::real(0.1)},
                               {"a.first", V::dictionary({{"b", V::real(2)}, {"a/", V::string("ü\t😀\x01\"")}})},
                               {"m.middle", V::array({V::integer(-9007199254740993), V::boolean(false)})},
                               {"d.data", V::data({1, 2, 3, 250})},
                               {"t.date", V::date(700000000.5)}}};
  const std::string path = th::home() + "/doc.json";
  th::writeFile(path, document.encoded());
  EXPECT_EQ(SyncDocument::fromData(th::readFile(path)), document);
  EXPECT_EQ(document.displayName(), "Unnamed Mac") << "a name that shows nothing is never shown as a blank";
  // Python's compact sorted dump, with the writer's two conventions: "/" escaped and integral
  // doubles without a fraction.
  const std::string hash = th::runPython(
      "import hashlib, json, sys\n"
      "def plain(v):\n"
      "    if isinstance(v, float) and v.is_integer() and abs(v) < 2**53: return int(v)\n"
      "    if isinstance(v, dict): return {k: plain(x) for k, x in v.items()}\n"
      "    if isinstance(v, list): return [plain(x) for x in v]\n"
      "    return v\n"
      "doc = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "text = json.dumps(plain(doc['intents']), sort_keys=True, separators=(',', ':'), ensure_ascii=False)\n"
      "print(hashlib.sha256(text.replace('/', '\\\\/').encode('utf-8')).hexdigest(), end='')\n",
      {path});
  EXPECT_EQ(hash, parseJson(th::readFile(path))["checksum"].get<std::string>());
  EXPECT_EQ(hash.size(), 64u);

  // No name, no settings: no "deviceName" key, "{}" under a valid checksum.
  const SyncDocument unnamed{"MAC-B", std::nullopt, {}};
  const std::string bytes = unnamed.encoded();
  EXPECT_EQ(bytes.find("deviceName"), std::string::npos);
  EXPECT_NE(bytes.find("\"intents\" : {}"), std::string::npos);
  EXPECT_EQ(SyncDocument::fromData(bytes), unnamed);
  EXPECT_EQ(unnamed.displayName(), "MAC-B");
}
