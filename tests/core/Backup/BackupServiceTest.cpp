// Backing up, reading the backup folder and restoring through the real preference files, read
// back by the `defaults` command; this Mac's device ID and name.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "Backup/BackupService.hpp"
#include "LivePreferences.hpp"
#include "MemoryUserDefaults.hpp"
#include "Platform/AtomicFile.hpp"
#include "Preferences/NightShiftClient.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;
using PV = PreferenceValue;

namespace {

SettingDefinition setting(std::string domain, std::vector<std::string> path, bool byHost = false,
                          SettingChannel channel = SettingChannel::defaults) {
  auto definition = th::makeSetting(domain + "." + (path.empty() ? "" : path.back()), SettingRef{domain, path, byHost});
  definition.channel = channel;
  return definition;
}

struct Key {
  std::string domain, key;
  std::optional<PV> value;
  bool byHost = false;
};

class BackupServiceTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  std::string folder = th::home() + "/Backups";

  // Five roots: two settings share the dock's "persistent" root, one has no key path.
  std::vector<SettingDefinition> known{
      setting("NSGlobalDomain", {"AppleShowAllExtensions"}), setting("com.example.dock", {"tilesize"}),
      setting("com.example.dock", {"persistent", "apps"}),   setting("com.example.dock", {"persistent", "others"}),
      setting("com.example.dock", {"autohide"}),             setting("com.example.clock", {"ShowSeconds"}, true),
      setting("com.example.dock", {}),
  };

  BackupService service(std::vector<SettingDefinition> settings, std::string id = "THIS-MAC") const {
    return BackupService(SettingsCatalog(1, 1, std::move(settings)), resolver, store, std::move(id), "Studio",
                         [] { return 735000000.0; });
  }
  void set(const std::vector<Key>& keys) {
    for (const auto& k : keys) put(k.domain, k.key, k.value, k.byHost);
  }
  void expectSeen(const std::vector<Key>& keys) const {
    for (const auto& k : keys) EXPECT_EQ(seen(k.domain, k.key, k.byHost), k.value) << k.key;
  }
};

}  // namespace

TEST_F(BackupServiceTest, RestoreInBothModesThenUndoPutsEveryValueBackIncludingKeysThisCatalogueLacks) {
  const std::vector<Key> original{
      {"NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(true)},
      {"com.example.dock", "tilesize", PV::real(0.1234567)},
      {"com.example.dock", "persistent", PV::dictionary({{"apps", PV::array({PV::string("Mail")})}})},
      {"com.example.clock", "ShowSeconds", PV::integer(1), true},
      {"com.example.newer", "Future", PV::data({0, 1, 2})},
  };
  const std::vector<Key> changed{
      {"NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(false)}, {"com.example.dock", "tilesize", PV::real(64)},
      {"com.example.dock", "persistent", std::nullopt},                 {"com.example.clock", "ShowSeconds", std::nullopt, true},
      {"com.example.newer", "Future", PV::string("changed")},           {"com.example.dock", "autohide", PV::boolean(true)},
  };
  set(original);
  // A Mac with a newer catalogue backs up a setting this Mac's catalogue does not know.
  auto newer = known;
  newer.push_back(setting("com.example.newer", {"Future"}));
  EXPECT_EQ(service(newer, "OTHER-MAC").createBackup(folder), folder + "/OTHER-MAC.amberloom.json");
  set(changed);

  const auto here = service(known);
  const auto backups = here.readBackups(folder).backups;
  ASSERT_EQ(backups.size(), 1u);
  const auto report = here.restore(backups[0], RestoreMode::presentValues, outside).report;
  EXPECT_EQ(report.restoredCount(), 5u);
  EXPECT_TRUE(report.failed().empty());
  EXPECT_EQ(report.skipped, (std::vector<SettingRef>{{"com.example.dock", {"autohide"}, false}}));
  expectSeen(original);
  expectSeen({changed.back()});  // no value in the backup: left alone

  SnapshotService(store, resolver).restore(report.undo);
  expectSeen(changed);  // the unknown setting's key included

  const auto mirror = here.restore(backups[0], RestoreMode::exactMirror, outside).report;
  EXPECT_EQ(mirror.restoredCount(), 6u);
  EXPECT_TRUE(mirror.skipped.empty());
  expectSeen({{"com.example.dock", "autohide", std::nullopt}});  // deleted, as the backup has it
}

TEST_F(BackupServiceTest, AFailedWriteHandsBackTheUndoCaptureAndAHostileBackupWritesNothing) {
  set({{"com.example.dock", "tilesize", PV::integer(16)}});
  BackupEnvelope backup{"OTHER-MAC", std::nullopt, std::nullopt, std::nullopt, {}};
  backup.snapshot.entries = {{{"com.example.dock", {"tilesize"}, false}, PV::integer(99), SettingChannel::defaults, false},
                             {{"com.example.odd", {"uid"}, false}, std::nullopt, SettingChannel::defaults, true},
                             {{"com.example.after", {"k"}, false}, PV::boolean(true), SettingChannel::defaults, false}};
  try {
    // The unreadable entry cannot be mirrored: the write step fails after writing the others.
    service(known).restore(backup, RestoreMode::exactMirror, outside);
    FAIL() << "an unreadable entry must fail an exact mirror";
  } catch (const RestoreFailure& failure) {
    EXPECT_EQ(failure.undo().entries.size(), 7u);  // the five catalogued roots and the backup's two others
    expectSeen({{"com.example.dock", "tilesize", PV::integer(99)}, {"com.example.after", "k", PV::boolean(true)}});
    SnapshotService(store, resolver).restore(failure.undo());
    expectSeen({{"com.example.dock", "tilesize", PV::integer(16)}, {"com.example.after", "k", std::nullopt}});
  }

  // An entry no backup may hold refuses the whole restore before the first write.
  const auto before = th::filesBelow(th::home());
  backup.snapshot.entries[1] = {{"../../evil", {"k"}, false}, PV::boolean(true), SettingChannel::defaults, false};
  EXPECT_THROW(service(known).restore(backup, RestoreMode::presentValues, outside), BackupError);
  EXPECT_EQ(th::filesBelow(th::home()), before);
}

TEST_F(BackupServiceTest, NightShiftIsBackedUpAndRestoredThroughItsOwnChannel) {
  const auto here = service({setting("com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"}, false,
                                     SettingChannel::nightShift),
                             setting("com.example.dock", {"tilesize"})});
  ASSERT_TRUE(NightShiftClient::create()->setEnabled(true));
  set({{"com.example.dock", "tilesize", PV::integer(16)}});
  const auto backup = BackupEnvelope::fromData(th::readFile(here.createBackup(folder)));
  ASSERT_EQ(backup.snapshot.entries.size(), 2u);
  EXPECT_EQ(backup.snapshot.entries[0].channel, SettingChannel::nightShift);
  EXPECT_EQ(backup.snapshot.entries[0].rootValue, PV::boolean(true));

  ASSERT_TRUE(NightShiftClient::create()->setEnabled(false));
  EXPECT_EQ(here.restore(backup, RestoreMode::presentValues, outside).report.restoredCount(), 2u);
  EXPECT_EQ(NightShiftClient::create()->isEnabled(), true);
  expectSeen({{"com.apple.CoreBrightness", "CBBlueReductionStatus", std::nullopt}});  // no ordinary key written

  // A Mac without Night Shift restores everything else and reports Night Shift as not taken.
  set({{"com.example.dock", "tilesize", PV::integer(64)}});
  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
  const auto withoutNightShift = here.restore(backup, RestoreMode::exactMirror, outside).report;
  EXPECT_EQ(withoutNightShift.failed(), (std::vector<RestoreOutcome>{{backup.snapshot.entries[0].ref, false}}));
  expectSeen({{"com.example.dock", "tilesize", PV::integer(16)}});
}

TEST_F(BackupServiceTest, TheFolderListsReadableBackupsAndRefusedFilesOnly) {
  EXPECT_EQ(service(known).readBackups(folder), BackupEnvelope::ReadResult{});  // no folder yet

  // A value with no JSON form is saved as unreadable; the rest of the backup is kept.
  set({{"NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(true)}, {"com.example.dock", "tilesize", PV::real(NAN)}});
  service(known, "A").createBackup(folder);
  service(known, "x").createBackup(folder);
  fs::rename(folder + "/x.amberloom.json", folder + "/xamberloom.json");  // no dot needed
  th::writeFile(folder + "/B.amberloom.json", "{\"schemaVersion\": 2");
  th::writeFile(folder + "/notes.txt", "not a backup");
  fs::create_directories(folder + "/C.amberloom.json");
  fs::create_symlink("/dev/zero", folder + "/D.amberloom.json");
  th::writeFile(folder + "/E.amberloom.json", "");
  fs::resize_file(folder + "/E.amberloom.json", BackupEnvelope::maxFileBytes + 1);

  const auto result = service(known).readBackups(folder);
  ASSERT_EQ(result.backups.size(), 2u);
  EXPECT_EQ(result.backups[1].deviceID, "x");
  const auto& entries = result.backups[0].snapshot.entries;
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].rootValue, PV::boolean(true));
  EXPECT_TRUE(entries[1].isUnreadable && !entries[1].rootValue);
  EXPECT_EQ(result.unreadable, (std::vector<BackupEnvelope::UnreadableBackup>{
                                   {"B.amberloom.json", BackupError::unreadable()},
                                   {"E.amberloom.json", BackupError::unreadable()}}));
}

TEST_F(BackupServiceTest, ABackupOfMoreEntriesThanACatalogueCouldMakeIsRefusedBeforeAnyWrite) {
  const auto here = service(known);
  EXPECT_EQ(here.maxEntries(), 5 + BackupService::extraEntries);
  BackupEnvelope tooMany{"MANY", std::nullopt, std::nullopt, std::nullopt, {}};
  for (std::size_t i = 0; i <= here.maxEntries(); ++i)
    tooMany.snapshot.entries.push_back(
        {{"com.example.many", {"k" + std::to_string(i)}, false}, PV::integer(1), SettingChannel::defaults, false});
  const auto before = th::filesBelow(th::home());
  try {
    here.restore(tooMany, RestoreMode::presentValues, outside);
    FAIL() << "restored";
  } catch (const BackupError& error) {
    EXPECT_EQ(error.detail(), "4102 entries, more than the 4101 a backup may hold");
  }
  EXPECT_EQ(th::filesBelow(th::home()), before);
}

namespace {

struct FakeHost : platform::Host {
  std::optional<std::string> uuid, name;
  std::optional<std::string> hardwareUUID(std::chrono::milliseconds timeout) const override {
    EXPECT_EQ(timeout, std::chrono::seconds(2));
    return uuid;
  }
  std::optional<std::string> localizedName() const override { return name; }
};

}  // namespace

TEST(BackupServiceDeviceID, StaysTheSameThroughARenameAndASlowHardwareAnswer) {
  const auto preferences = std::make_shared<th::MemoryUserDefaults>();
  const std::string fromStudio = "0AA91AF2-EC4C-1FD7-61CC-39B838088C06";  // SHA-256 of "Studio", first 16 bytes
  const std::string hardware = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
  const std::vector<std::tuple<std::optional<std::string>, std::optional<std::string>, std::string, std::string>> steps{
      {std::nullopt, "Studio", fromStudio, "Studio"},  // no hardware answer: derived from the name, kept
      {std::nullopt, "Office", fromStudio, "Office"},  // renamed: the kept ID stays
      {hardware, "Office", hardware, "Office"},        // the hardware answers: its ID, kept
      {std::nullopt, "", hardware, "Mac"},             // one slow answer: still the same Mac
      {hardware, "Ada\xFF\xC3Mac", hardware, "Ada\uFFFD\uFFFDMac"},  // not text: repaired, as files need
  };
  FakeHost host;
  for (const auto& [uuid, name, expectedID, expectedName] : steps) {
    host.uuid = uuid;
    host.name = name;
    EXPECT_EQ(BackupService::currentDeviceID(host, preferences), expectedID);
    EXPECT_EQ(BackupService::currentDeviceName(host), expectedName);
    EXPECT_EQ(preferences->stringValue(BackupService::deviceIDKey), expectedID);
  }
}

TEST_F(BackupServiceTest, ABackupThatWouldNotReadBackNeverReplacesTheOneThatDoes) {
  // Each value is within the limit, the pretty-printed file is not.
  std::vector<SettingDefinition> big;
  for (int i = 0; i < 5; ++i) big.push_back(setting("com.example.big" + std::to_string(i), {"k"}));
  const auto here = service(big);
  const std::string path = here.createBackup(folder);
  const std::string good = th::readFile(path);
  for (int i = 0; i < 5; ++i) put("com.example.big" + std::to_string(i), "k", PV::string(std::string(3500000, 'x')));

  EXPECT_THROW(here.createBackup(folder), platform::FileWriteError);
  EXPECT_EQ(th::readFile(path), good);
  EXPECT_EQ(here.readBackups(folder).backups.size(), 1u);
  EXPECT_EQ(th::filesBelow(folder), std::vector<std::string>{"THIS-MAC.amberloom.json"});
}

TEST_F(BackupServiceTest, UndoOfARestoreTellsKeysApartByteForByte) {
  // "café" composed and decomposed are two keys to the store, however alike they read.
  const std::string composed = "caf\xC3\xA9", decomposed = "cafe\xCC\x81";
  set({{"com.example.accents", composed, PV::integer(1)}});
  const auto here = service({setting("com.example.accents", {composed})});
  BackupEnvelope backup{"OTHER-MAC", std::nullopt, std::nullopt, std::nullopt, {}};
  backup.snapshot.entries = {{{"com.example.accents", {decomposed}, false}, PV::integer(2), SettingChannel::defaults, false}};

  const auto report = here.restore(backup, RestoreMode::presentValues, outside).report;
  EXPECT_EQ(report.undo.entries.size(), 2u);
  SnapshotService(store, resolver).restore(report.undo);
  expectSeen({{"com.example.accents", composed, PV::integer(1)}, {"com.example.accents", decomposed, std::nullopt}});
}
