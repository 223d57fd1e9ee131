// Backing up, reading the backup folder and restoring through the real preference files, read
// back by the `defaults` command; this Mac's device ID and name.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "Backup/BackupService.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftClient.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;
using PV = PreferenceValue;

namespace {

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, bool byHost = false,
                          SettingChannel channel = SettingChannel::defaults) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = SettingRef{std::move(domain), std::move(path), byHost};
  definition.label = definition.id;
  definition.channel = channel;
  return definition;
}

// The live store, except that one domain refuses every write.
class LockedDomainStore : public CFPreferenceStore {
 public:
  void write(const std::optional<PV>& value, const std::string& key, const ResolvedDomain& domain) override {
    if (domain.applicationID == "com.example.locked") throw std::runtime_error("locked: com.example.locked");
    CFPreferenceStore::write(value, key, domain);
  }
};

class BackupServiceTest : public ::testing::Test {
 protected:
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<LockedDomainStore>();
  DomainResolver resolver = DomainResolver::live();
  ExternalVerifier outside{th::defaultsPath()};
  std::string folder = th::home() + "/Backups";

  // Two settings share the dock's "persistent" root; one has no key path.
  std::vector<SettingDefinition> known{
      setting("finder.extensions", "NSGlobalDomain", {"AppleShowAllExtensions"}),
      setting("dock.tile", "com.example.dock", {"tilesize"}),
      setting("dock.apps", "com.example.dock", {"persistent", "apps"}),
      setting("dock.others", "com.example.dock", {"persistent", "others"}),
      setting("dock.autohide", "com.example.dock", {"autohide"}),
      setting("clock.seconds", "com.example.clock", {"ShowSeconds"}, true),
      setting("broken.none", "com.example.dock", {}),
  };

  BackupService service(std::vector<SettingDefinition> settings, std::string id = "THIS-MAC") const {
    return BackupService(SettingsCatalog(1, 1, std::move(settings)), resolver, store, std::move(id), "Studio",
                         [] { return 735000000.0; });
  }
  void set(const std::string& domain, const std::string& key, std::optional<PV> value, bool byHost = false) {
    store->write(value, key, resolver.resolve(domain, byHost));
  }
  std::optional<PV> seen(const std::string& domain, const std::string& key, bool byHost = false) const {
    return outside.read(key, resolver.resolve(domain, byHost));
  }
};

}  // namespace

TEST_F(BackupServiceTest, RestoreInBothModesThenUndoPutsEveryValueBackIncludingKeysThisCatalogueLacks) {
  set("NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(true));
  set("com.example.dock", "tilesize", PV::real(0.1234567));
  set("com.example.dock", "persistent", PV::dictionary({{"apps", PV::array({PV::string("Mail")})}}));
  set("com.example.clock", "ShowSeconds", PV::integer(1), true);
  set("com.example.newer", "Future", PV::data({0, 1, 2}));

  // A Mac with a newer catalogue backs up a setting this Mac's catalogue does not know.
  auto newer = known;
  newer.push_back(setting("newer.future", "com.example.newer", {"Future"}));
  const std::string path = service(newer, "OTHER-MAC").createBackup(folder);
  EXPECT_EQ(path, folder + "/OTHER-MAC.amberloom.json");

  // Everything changes afterwards.
  const std::vector<std::tuple<std::string, std::string, std::optional<PV>, bool>> changed{
      {"NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(false), false},
      {"com.example.dock", "tilesize", PV::real(64), false},
      {"com.example.dock", "persistent", std::nullopt, false},
      {"com.example.dock", "autohide", PV::boolean(true), false},
      {"com.example.clock", "ShowSeconds", std::nullopt, true},
      {"com.example.newer", "Future", PV::string("changed"), false},
  };
  for (const auto& [domain, key, value, byHost] : changed) set(domain, key, value, byHost);

  const auto here = service(known);
  const auto read = here.readBackups(folder);
  ASSERT_EQ(read.backups.size(), 1u);
  const auto& backup = read.backups[0];
  EXPECT_EQ(backup.displayName(), "Studio");

  const auto report = here.restore(backup, RestoreMode::presentValues, outside);
  EXPECT_EQ(report.total(), 5u);
  EXPECT_EQ(report.restoredCount(), 5u);
  EXPECT_EQ(report.skipped, (std::vector<SettingRef>{{"com.example.dock", {"autohide"}, false}}));
  EXPECT_EQ(seen("NSGlobalDomain", "AppleShowAllExtensions"), PV::boolean(true));
  EXPECT_EQ(seen("com.example.dock", "tilesize"), PV::real(0.1234567));
  EXPECT_EQ(seen("com.example.dock", "persistent"), PV::dictionary({{"apps", PV::array({PV::string("Mail")})}}));
  EXPECT_EQ(seen("com.example.clock", "ShowSeconds", true), PV::integer(1));
  EXPECT_EQ(seen("com.example.newer", "Future"), PV::data({0, 1, 2}));
  EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(true));  // no value in the backup: left alone

  // Undo returns every key to its changed state, the unknown setting's key too.
  SnapshotService(store, resolver).restore(report.undo);
  for (const auto& [domain, key, value, byHost] : changed) EXPECT_EQ(seen(domain, key, byHost), value) << key;

  const auto mirror = here.restore(backup, RestoreMode::exactMirror, outside);
  EXPECT_TRUE(mirror.skipped.empty());
  EXPECT_EQ(mirror.total(), 6u);
  EXPECT_TRUE(mirror.failed().empty());
  EXPECT_EQ(seen("com.example.dock", "autohide"), std::nullopt);  // deleted, as the backup has it
}

TEST_F(BackupServiceTest, AFailedWriteHandsBackTheUndoCaptureAndAHostileBackupWritesNothing) {
  set("com.example.dock", "tilesize", PV::integer(16));
  CFPreferenceStore().write(PV::boolean(false), "flag", resolver.resolve("com.example.locked", false));
  BackupEnvelope backup{"OTHER-MAC", std::nullopt, std::nullopt, std::nullopt, {}};
  backup.snapshot.entries = {{{"com.example.dock", {"tilesize"}, false}, PV::integer(99), SettingChannel::defaults, false},
                             {{"com.example.locked", {"flag"}, false}, PV::boolean(true), SettingChannel::defaults, false},
                             {{"com.example.after", {"k"}, false}, PV::boolean(true), SettingChannel::defaults, false}};
  try {
    service(known).restore(backup, RestoreMode::presentValues, outside);
    FAIL() << "the locked domain must fail the restore";
  } catch (const RestoreFailure& failure) {
    EXPECT_STREQ(failure.what(), "locked: com.example.locked");
    EXPECT_EQ(seen("com.example.dock", "tilesize"), PV::integer(99));  // written before the failure
    EXPECT_EQ(failure.undo().entries.size(), 7u);  // the five catalogued roots and the backup's two others
    SnapshotService(std::make_shared<CFPreferenceStore>(), resolver).restore(failure.undo());
    EXPECT_EQ(seen("com.example.dock", "tilesize"), PV::integer(16));
    EXPECT_EQ(seen("com.example.after", "k"), std::nullopt);
  }

  // An entry no backup may hold refuses the whole restore before the first write.
  const auto before = th::filesBelow(th::home());
  for (const std::string domain : {"../../evil", "/tmp/evil", "com.example.\tx"}) {
    auto hostile = backup;
    hostile.snapshot.entries.insert(hostile.snapshot.entries.end() - 1,
                                    {{domain, {"k"}, false}, PV::boolean(true), SettingChannel::defaults, false});
    EXPECT_THROW(service(known).restore(hostile, RestoreMode::exactMirror, outside), BackupError) << domain;
  }
  EXPECT_EQ(th::filesBelow(th::home()), before);
}

TEST_F(BackupServiceTest, AValueWithNoJsonFormIsSavedAsUnreadableAndTheRestIsSaved) {
  set("com.example.dock", "tilesize", PV::real(std::nan("")));
  set("NSGlobalDomain", "AppleShowAllExtensions", PV::boolean(true));
  const auto path = service(known).createBackup(folder);

  const auto backup = BackupEnvelope::fromData(th::readFile(path));
  std::map<std::string, SnapshotEntry> byKey;
  for (const auto& e : backup.snapshot.entries) byKey.emplace(e.ref.path.front(), e);
  ASSERT_EQ(byKey.size(), 5u);  // one root for the two "persistent" settings, none for the empty path
  EXPECT_TRUE(byKey.at("tilesize").isUnreadable);
  EXPECT_EQ(byKey.at("tilesize").rootValue, std::nullopt);
  EXPECT_EQ(byKey.at("AppleShowAllExtensions").rootValue, PV::boolean(true));
  EXPECT_FALSE(byKey.at("autohide").isUnreadable);
}

TEST_F(BackupServiceTest, NightShiftIsBackedUpAndRestoredThroughItsOwnChannel) {
  const auto nightShift = setting("displays.nightShift", "com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"},
                                  false, SettingChannel::nightShift);
  ASSERT_TRUE(NightShiftClient::create()->setEnabled(true));
  const auto here = service({nightShift});
  const auto backup = BackupEnvelope::fromData(th::readFile(here.createBackup(folder)));
  ASSERT_EQ(backup.snapshot.entries.size(), 1u);
  EXPECT_EQ(backup.snapshot.entries[0].channel, SettingChannel::nightShift);
  EXPECT_EQ(backup.snapshot.entries[0].rootValue, PV::boolean(true));

  ASSERT_TRUE(NightShiftClient::create()->setEnabled(false));
  const auto report = here.restore(backup, RestoreMode::presentValues, outside);
  EXPECT_EQ(report.restoredCount(), 1u);
  EXPECT_EQ(NightShiftClient::create()->isEnabled(), true);
  EXPECT_EQ(seen("com.apple.CoreBrightness", "CBBlueReductionStatus"), std::nullopt);  // no ordinary key written
}

TEST_F(BackupServiceTest, TheFolderListsReadableBackupsAndRefusedFilesOnly) {
  EXPECT_EQ(service(known).readBackups(folder), BackupEnvelope::ReadResult{});  // no folder yet

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
  EXPECT_EQ(result.backups[0].deviceID, "A");
  EXPECT_EQ(result.backups[1].deviceID, "x");
  EXPECT_EQ(result.unreadable, (std::vector<BackupEnvelope::UnreadableBackup>{
                                   {"B.amberloom.json", BackupError::unreadable()},
                                   {"E.amberloom.json", BackupError::unreadable()}}));
}

namespace {

class FakeHost : public platform::Host {
 public:
  std::optional<std::string> uuid;
  std::optional<std::string> name;
  std::optional<std::string> hardwareUUID(std::chrono::milliseconds timeout) const override {
    EXPECT_EQ(timeout, std::chrono::seconds(2));
    return uuid;
  }
  std::optional<std::string> localizedName() const override { return name; }
};

}  // namespace

TEST(BackupServiceDeviceID, StaysTheSameThroughARenameAndASlowHardwareAnswer) {
  const auto preferences = std::make_shared<th::MemoryUserDefaults>();
  FakeHost host;
  const std::string fromStudio = "0AA91AF2-EC4C-1FD7-61CC-39B838088C06";  // SHA-256 of "Studio", first 16 bytes
  const std::string hardware = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
  struct Step {
    std::optional<std::string> uuid, name;
    std::string expectedID, expectedName;
  };
  const std::vector<Step> steps{
      {std::nullopt, "Studio", fromStudio, "Studio"},   // no hardware answer: derived from the name, kept
      {std::nullopt, "Office", fromStudio, "Office"},   // renamed: the kept ID stays
      {hardware, "Office", hardware, "Office"},         // the hardware answers: its ID, kept
      {std::nullopt, std::nullopt, hardware, "Mac"},    // one slow answer: still the same Mac
      {std::nullopt, "", hardware, "Mac"},
  };
  for (const auto& step : steps) {
    host.uuid = step.uuid;
    host.name = step.name;
    EXPECT_EQ(BackupService::currentDeviceID(host, preferences), step.expectedID);
    EXPECT_EQ(BackupService::currentDeviceName(host), step.expectedName);
    EXPECT_EQ(preferences->stringValue(BackupService::deviceIDKey), step.expectedID);
  }
  // A stored text that is no UUID is not trusted.
  preferences->setString("../not-a-uuid", BackupService::deviceIDKey);
  host.name = "Studio";
  EXPECT_EQ(BackupService::currentDeviceID(host, preferences), fromStudio);
}
