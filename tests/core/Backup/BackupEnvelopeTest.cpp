// The backup file: what a reader accepts, what it refuses and why, and that another JSON
// implementation reads the file and recomputes its checksum.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "Backup/BackupEnvelope.hpp"
#include "Changes/BatchTransaction.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using PV = PreferenceValue;

SnapshotEntry entry(std::string domain, std::vector<std::string> path, std::optional<PV> value,
                    SettingChannel channel = SettingChannel::defaults) {
  return SnapshotEntry{SettingRef{std::move(domain), std::move(path), false}, std::move(value), channel, false};
}

// Values whose text forms differ most between JSON writers: escapes, non-ASCII, reals, data and
// dates, nesting.
BackupEnvelope sample() {
  Snapshot snapshot;
  snapshot.entries = {
      entry("NSGlobalDomain", {"AppleShowAllExtensions"}, PV::boolean(true)),
      entry("com.example.dock", {"tilesize"}, PV::real(0.1234567)),
      entry("com.example.dock", {"small"}, PV::real(1e-7)),
      entry("com.example.dock", {"whole"}, PV::real(48)),
      entry("com.example.finder", {"NewWindowTarget"}, PV::string("file:///Users/ü/\"Desk\"\ttop")),
      entry("com.example.finder", {"Panes"},
            PV::dictionary({{"General", PV::array({PV::integer(-9007199254740993), PV::data({0xfb, 0xff, 0x00})})},
                            {"When", PV::date(731000000.25)}})),
      entry("com.example.absent", {"gone"}, std::nullopt),
      entry("com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"}, PV::boolean(false),
            SettingChannel::nightShift),
  };
  snapshot.entries.push_back(entry("com.example.odd", {"uid"}, std::nullopt));
  snapshot.entries.back().isUnreadable = true;
  return BackupEnvelope{"0AA91AF2-EC4C-1FD7-61CC-39B838088C06", "Studio", 735000000.0, "Version 14.5 (Build 23F79)",
                        snapshot};
}

// The sample's file with one change made to its JSON.
std::string edited(const std::function<void(Json&)>& edit) {
  Json json = parseJson(sample().encoded());
  edit(json);
  return json.dump();
}

// A file whose checksum is right but whose snapshot holds `hostile`.
std::string holding(SnapshotEntry hostile) {
  auto envelope = sample();
  envelope.snapshot.entries.push_back(std::move(hostile));
  return envelope.encoded();
}

PV nested(int levels) {
  PV value = PV::integer(1);
  for (int i = 1; i < levels; ++i) value = PV::array({value});
  return value;
}

}  // namespace

TEST(BackupEnvelope, AWrittenFileReadsBackAndAnotherJsonReaderRecomputesItsChecksum) {
  const auto envelope = sample();
  const std::string bytes = envelope.encoded();
  EXPECT_EQ(BackupEnvelope::fromData(bytes), envelope);

  if (!th::python3()) GTEST_SKIP() << "python3 is not installed";
  const std::string path = th::home() + "/sample.amberloom.json";
  th::writeFile(path, bytes);
  // The checksum is SHA-256 of the snapshot as compact sorted-key JSON, with "/" escaped and
  // non-ASCII text written as it is.
  const auto answer = th::runPython(
      "import hashlib, json, sys\n"
      "text = open(sys.argv[1], encoding='utf-8').read()\n"
      "doc = json.loads(text)\n"
      "snapshot = json.dumps(doc['snapshot'], sort_keys=True, separators=(',', ':'), ensure_ascii=False)\n"
      "digest = hashlib.sha256(snapshot.replace('/', '\\\\/').encode('utf-8')).hexdigest()\n"
      "order = [k for k in doc]\n"
      "print(digest == doc['checksum'], order == sorted(order), doc['schemaVersion'], doc['createdAt'])\n",
      {path});
  EXPECT_EQ(answer, "True True 2 2024-04-16T22:40:00Z\n");
}

TEST(BackupEnvelope, EachCheckAcceptsOrRefusesWithItsReason) {
  const std::string id = sample().deviceID;
  const std::string good = sample().encoded();
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<BackupError> refusal;  // none: accepted
  };
  const auto unreadable = BackupError::unreadable();
  const auto mismatch = BackupError::checksumMismatch(id);
  const std::vector<Case> cases{
      {"truncated", good.substr(0, good.size() / 2), unreadable},
      {"no snapshot", edited([](Json& j) { j.erase("snapshot"); }), unreadable},
      {"a newer schema with a wrong checksum too", edited([](Json& j) { j["schemaVersion"] = 3; j["checksum"] = "0"; }),
       BackupError::unsupportedSchemaVersion(id, 3, 2)},
      {"an upper-case checksum",
       edited([](Json& j) {
         auto text = j["checksum"].get<std::string>();
         for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         j["checksum"] = text;
       }),
       mismatch},
      {"a changed value", edited([](Json& j) { j["snapshot"]["entries"][0]["rootValue"]["bool"] = false; }), mismatch},
      {"an older schema, no optional fields, a null name",
       edited([](Json& j) { j["schemaVersion"] = 1; j.erase("createdAt"); j.erase("osVersion"); j["deviceName"] = nullptr; }),
       std::nullopt},
      {"a domain climbing out", holding(entry("../../.ssh/x", {"k"}, PV::integer(1))), unreadable},
      {"a container path",
       holding(entry(th::home() + "/Library/Containers/x/Data/Library/Preferences/x", {"k"}, PV::integer(1))),
       unreadable},
      {"an empty key path", holding(entry("com.example.x", {}, PV::integer(1))), unreadable},
      {"a Night Shift text", holding(entry("com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"},
                                           PV::string("on"), SettingChannel::nightShift)),
       unreadable},
      {"an oversized value", holding(entry("com.example.x", {"k"}, PV::string(std::string(4u << 20, 'a')))),
       unreadable},
      {"a value nested too deep", holding(entry("com.example.x", {"k"}, nested(65))), unreadable},
      {"a value nested as deep as allowed", holding(entry("com.example.x", {"k"}, nested(64))), std::nullopt},
      {"JSON nested a million deep", std::string(1000000, '[') + std::string(1000000, ']'), unreadable},
      {"a file over the size limit", good + std::string(BackupEnvelope::maxFileBytes, ' '), unreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      const auto envelope = BackupEnvelope::fromData(c.bytes);
      EXPECT_FALSE(c.refusal) << "accepted";
      if (!envelope.deviceName) {
        EXPECT_EQ(envelope.displayName(), id);
      }
    } catch (const BackupError& error) {
      ASSERT_TRUE(c.refusal) << error.description() << " " << error.detail();
      EXPECT_EQ(error, *c.refusal) << error.description() << " " << error.detail();
    }
  }
}

TEST(BackupEnvelope, AFolderReadRefusesAFileOfMoreEntriesThanItMayHoldUnhashed) {
  const auto held = sample().snapshot.entries.size();
  const std::map<std::string, std::string> files{{"A.amberloom.json", sample().encoded()},
                                                 {"B.amberloom.json", edited([](Json& j) { j["checksum"] = "0"; })}};
  EXPECT_EQ(BackupEnvelope::readAll(files, held).backups.size(), 1u);
  const auto refused = BackupEnvelope::readAll(files, held - 1).unreadable;
  ASSERT_EQ(refused.size(), 2u);
  for (const auto& file : refused) {
    EXPECT_EQ(file.reason, BackupError::unreadable()) << file.file;
    EXPECT_EQ(file.reason.detail(), std::to_string(held) + " entries, more than the " + std::to_string(held - 1) +
                                        " a backup may hold");
  }
}

TEST(BackupEnvelope, ABackupNeverWritesThisApplicationsPreferencesOrTheGlobalDomainByItsAlias) {
  // Crafted with a right checksum: turning automatic sync on or moving the backup folder.
  for (const char* domain : {"tv.winterbrae.amberloom", "TV.Winterbrae.AmberLoom", "kCFPreferencesAnyApplication",
                             "kcfpreferencesanyapplication"}) {
    const auto read = BackupEnvelope::fromData(holding(entry(domain, {"sync.autoSyncEnabled"}, PV::boolean(true))));
    const auto& crafted = read.snapshot.entries.back();
    EXPECT_TRUE(crafted.isUnreadable) << domain;
    EXPECT_EQ(crafted.rootValue, std::nullopt) << domain;
    EXPECT_EQ(read.snapshot.entries.front(), sample().snapshot.entries.front()) << "the rest reads as it is";
  }
  EXPECT_TRUE(batchMayWrite("tv.winterbrae.amberloomx"));
  EXPECT_TRUE(batchMayWrite("NSGlobalDomain"));
}
