#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>

#include "Platform/AtomicFile.hpp"
#include "Platform/BinaryPropertyList.hpp"
#include "Platform/Host.hpp"
#include "Platform/MachineIdentity.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFileCache.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "SmallDisk.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace test = amberloom::testing;

namespace {

PreferenceFiles files() { return PreferenceFiles(test::home(), "HOST-UUID"); }

std::string containerPath(const std::string& rest) { return test::home() + "/Library/Containers/" + rest; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Which domains may be touched

TEST(PreferenceFiles, AcceptsPlainGlobalAndContainerDomains) {
  const std::string prefs = test::home() + "/Library/Preferences/";
  struct Case {
    std::string applicationID;
    bool currentHost;
    std::string file;
  };
  const Case cases[] = {
      {"com.example.app", false, prefs + "com.example.app.plist"},
      {"tv.winterbrae.amberloom", false, prefs + "tv.winterbrae.amberloom.plist"},
      {"com.example-app_2", false, prefs + "com.example-app_2.plist"},
      {"com.example.app", true, prefs + "ByHost/com.example.app.HOST-UUID.plist"},
      {kAnyApplicationID, false, prefs + ".GlobalPreferences.plist"},
      {kAnyApplicationID, true, prefs + "ByHost/.GlobalPreferences.HOST-UUID.plist"},
      {containerPath("com.example.box/Data/Library/Preferences/com.example.box"), false,
       containerPath("com.example.box/Data/Library/Preferences/com.example.box.plist")},
      {containerPath("com.example.box/Data/Library/Preferences/com.example.box"), true,
       containerPath("com.example.box/Data/Library/Preferences/com.example.box.plist")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files().filePath(c.applicationID, c.currentHost), c.file);
    files().setValue("k", PlistObject(1), c.applicationID, c.currentHost);
    EXPECT_EQ(test::readPlistFile(c.file), PlistObject(PlistDictionary{{"k", PlistObject(1)}})) << c.file;
    EXPECT_EQ(files().copyValue("k", c.applicationID, c.currentHost), PlistObject(1)) << c.file;
  }
}

TEST(PreferenceFiles, RefusedDomainsReadAsNoneAndWriteNothingAnywhere) {
  const std::string inside = "com.x/Data/Library/Preferences/";
  const std::string refused[] = {
      "",
      "../escape",
      "com.example/../../escape",
      "com..example",
      "a/b",
      ".hidden",
      "com example",
      "com.example\n",
      std::string("com.ex\0ample", 12),
      "com\texample",
      "caf\xC3\xA9",
      std::string(300, 'a'),
      "com." + std::string(240, 'a'),  // valid as a name, too long for its file and the one written beside it
      "/tmp/amberloom-escape",
      test::home() + "/Library/Preferences/com.example.app",
      containerPath(inside + "../../../../Preferences/escape"),
      containerPath(inside + "sub/com.x"),
      containerPath("com.x/Data/Library/com.x"),
      containerPath("../Preferences/com.x"),
      containerPath("/Data/Library/Preferences/com.x"),
      test::home() + "/../Library/Containers/" + inside + "com.x",
  };
  for (const auto& id : refused) {
    for (bool currentHost : {false, true}) {
      EXPECT_FALSE(files().filePath(id, currentHost).has_value()) << '"' << id << '"';
      EXPECT_FALSE(files().readDomain(id, currentHost).has_value()) << '"' << id << '"';
      EXPECT_FALSE(files().copyValue("k", id, currentHost).has_value()) << '"' << id << '"';
      EXPECT_THROW(files().setValue("k", PlistObject(1), id, currentHost), PreferenceFileError) << '"' << id << '"';
      EXPECT_THROW(files().removeDomain(id, currentHost), PreferenceFileError) << '"' << id << '"';
    }
  }
  EXPECT_EQ(test::filesBelow(test::home()), std::vector<std::string>{});
  EXPECT_FALSE(test::fileExists("/tmp/amberloom-escape.plist"));
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be read

TEST(PreferenceFiles, HostileOrTruncatedFilesReadAsNoneAndAreNeverOverwritten) {
  const std::string good = binaryPropertyList(PlistObject(PlistDictionary{
      {"a", PlistObject(std::string(200, 'x'))}, {"b", PlistObject(PlistArray{PlistObject(1), PlistObject(2.5)})}}));
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<array>";
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"text", "hello"},
      {"truncated binary", good.substr(0, good.size() - 7)},
      {"binary without its trailer", good.substr(0, 40)},
      {"truncated XML", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><integer>1"},
      {"not a dictionary", binaryPropertyList(PlistObject(PlistArray{PlistObject(1)}))},
      {"unclosed nesting", "<?xml version=\"1.0\"?><plist version=\"1.0\">" + deep},
  };
  const std::string path = test::preferencesFile("com.example.hostile");
  for (const auto& c : cases) {
    test::writeFile(path, c.bytes);
    EXPECT_FALSE(files().readDomain("com.example.hostile", false).has_value()) << c.what;
    EXPECT_FALSE(files().copyValue("a", "com.example.hostile", false).has_value()) << c.what;
    EXPECT_THROW(files().setValue("a", PlistObject(1), "com.example.hostile", false), PreferenceFileError) << c.what;
    EXPECT_THROW(files().setValue("a", std::nullopt, "com.example.hostile", false), PreferenceFileError) << c.what;
    EXPECT_EQ(test::readFile(path), c.bytes) << c.what;
  }
  std::filesystem::remove(path);
  std::filesystem::create_directories(path);  // a folder where the file should be
  EXPECT_FALSE(files().readDomain("com.example.hostile", false).has_value());
  EXPECT_ANY_THROW(files().setValue("a", PlistObject(1), "com.example.hostile", false));
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(AtomicFile, WholeFileReadsAreExactAndFailuresAreReported) {
  std::string large(200000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7);
  const std::string path = test::home() + "/data/large.bin";
  writeFileAtomically(path, large);
  std::string bytes = "untouched";
  ASSERT_TRUE(readWholeFile(path, bytes));
  EXPECT_EQ(bytes, large);
  EXPECT_EQ(test::filesBelow(test::home() + "/data"), std::vector<std::string>{"large.bin"});

  bytes = "untouched";
  EXPECT_FALSE(readWholeFile(test::home() + "/data", bytes));  // a folder cannot be read as a file
  EXPECT_FALSE(readWholeFile(test::home() + "/data/missing", bytes));
  EXPECT_EQ(bytes, "untouched");
}

// ~/Library on a disk of its own that says no: full, read-only, or with a file where the preference
// folder should be. The write is refused with the reason, the file already there stays whole and
// nothing is left beside it; once the disk takes writes again, they go through.
TEST(PreferenceFiles, AWriteTheDiskRefusesSaysWhyAndKeepsTheOldFileWhole) {
  struct Case {
    const char* disk;
    std::function<void(test::SmallDisk&)> refuse, allow;
    const char* reason;
  };
  const std::string folder = test::home() + "/Library/Preferences";
  const Case cases[] = {
      {"full", [](auto& disk) { disk.fill(); }, [](auto& disk) { disk.free(); }, "(No space left on device)"},
      {"read-only", [](auto& disk) { disk.setReadOnly(true); }, [](auto& disk) { disk.setReadOnly(false); },
       "(Read-only file system)"},
      {"a file for the folder",
       [&](auto&) {
         std::filesystem::rename(folder, folder + ".kept");
         test::writeFile(folder, "not a folder");
       },
       [&](auto&) {
         std::filesystem::remove(folder);
         std::filesystem::rename(folder + ".kept", folder);
       },
       "cannot lock preference folder (Not a directory)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disk);
    test::SmallDisk library(test::home() + "/Library", 1 << 20);
    if (!library.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
    files().setValue("text", PlistObject(std::string(100000, 'a')), "com.example.full", false);
    const std::string before = test::readFile(folder + "/com.example.full.plist");

    c.refuse(library);
    try {
      files().setValue("text", PlistObject(std::string(100000, 'b')), "com.example.full", false);
      ADD_FAILURE() << "written";
    } catch (const std::exception& error) {
      EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
    }
    c.allow(library);
    EXPECT_EQ(test::readFile(folder + "/com.example.full.plist"), before);
    EXPECT_EQ(test::filesBelow(folder), std::vector<std::string>{"com.example.full.plist"});
    files().setValue("text", PlistObject(std::string(10, 'c')), "com.example.full", false);
    EXPECT_EQ(files().copyValue("text", "com.example.full", false), PlistObject(std::string(10, 'c')));
  }
}

TEST(PreferenceFiles, DomainWithoutAFileIsEmptyAndRemovingTouchesOnlyItsFile) {
  EXPECT_EQ(files().readDomain("com.example.none", false), PlistDictionary{});
  EXPECT_FALSE(files().copyValue("k", "com.example.none", false).has_value());
  files().setValue("k", std::nullopt, "com.example.none", false);
  files().removeDomain("com.example.none", false);
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.none")));

  files().setValue("k", PlistObject(1), "com.example.gone", false);
  files().setValue("k", PlistObject(1), "com.example.gone", true);
  files().removeDomain("com.example.gone", false);  // the by-host file stays
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.gone")));
  EXPECT_EQ(files().copyValue("k", "com.example.gone", true), PlistObject(1));
}

TEST(PreferenceFiles, EmptyFilesAndSpecialFilesNeverStopAReader) {
  // A zero-length file is what a crash during a write leaves: an empty domain, writable again.
  const std::string path = test::preferencesFile("com.example.crashed");
  test::writeFile(path, "");
  EXPECT_EQ(files().readDomain("com.example.crashed", false), PlistDictionary{});
  EXPECT_NO_THROW(files().setValue("gone", std::nullopt, "com.example.crashed", false));
  files().setValue("k", PlistObject(1), "com.example.crashed", false);
  EXPECT_EQ(files().copyValue("k", "com.example.crashed", false), PlistObject(1));

  // A FIFO where a file should be is never opened for a blocking read, nor replaced.
  const std::string fifo = test::preferencesFile("com.example.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string bytes = "untouched";
  EXPECT_FALSE(readWholeFile(fifo, bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_FALSE(files().readDomain("com.example.fifo", false).has_value());
  EXPECT_THROW(files().setValue("k", PlistObject(1), "com.example.fifo", false), PreferenceFileError);
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST(PreferenceFiles, AValueTheReaderWouldRefuseIsNeverWritten) {
  const auto nested = [](std::size_t levels) {
    PlistObject value(true);
    for (std::size_t i = 1; i < levels; ++i) value = PlistObject(PlistArray{value});
    return value;
  };
  // The file's dictionary is one level, so a member may hold one level fewer than the reader takes.
  files().setValue("deepest", nested(kMaxPropertyListDepth - 1), "com.example.deep", false);
  EXPECT_EQ(files().copyValue("deepest", "com.example.deep", false), nested(kMaxPropertyListDepth - 1));
  const std::string before = test::readFile(test::preferencesFile("com.example.deep"));
  struct Case {
    const char* what;
    PlistObject value;
  };
  const Case cases[] = {
      {"nested one level too deep", nested(kMaxPropertyListDepth)},
      {"text that is not UTF-8", PlistObject("caf\xE9")},
      {"a key that is not UTF-8", PlistObject(PlistDictionary{{"\xE9", PlistObject(1)}})},
  };
  for (const auto& c : cases) {
    try {
      files().setValue("refused", c.value, "com.example.deep", false);
      ADD_FAILURE() << c.what << " was written";
    } catch (const PreferenceFileError& error) {
      EXPECT_NE(std::string(error.what()).find("\"refused\""), std::string::npos) << c.what << ": " << error.what();
    }
    EXPECT_EQ(test::readFile(test::preferencesFile("com.example.deep")), before) << c.what;
  }
}

TEST(AtomicFile, AReplacementKeepsTheModeAndNewFilesArePrivate) {
  const std::string folder = test::home() + "/modes/";
  const auto modeOf = [](const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
  };
  writeFileAtomically(folder + "new", "one");
  EXPECT_EQ(modeOf(folder + "new"), 0600u);
  for (const mode_t mode : {0600, 0640, 0644}) {
    const std::string path = folder + "kept-" + std::to_string(mode);
    writeFileAtomically(path, "one");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    writeFileAtomically(path, "two");
    EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
    EXPECT_EQ(test::readFile(path), "two");
  }
  // Folders made on the way are the user's only, as a Mac keeps the Library; one that exists keeps
  // its mode.
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  writeFileAtomically(folder + "deeper/still/file", "x");
  EXPECT_EQ(modeOf(folder), 0755u);
  EXPECT_EQ(modeOf(folder + "deeper"), 0700u);
  EXPECT_EQ(modeOf(folder + "deeper/still"), 0700u);
  files().setValue("k", PlistObject(1), "com.example.modes", true);
  for (const auto* made : {"/Library", "/Library/Preferences", "/Library/Preferences/ByHost"})
    EXPECT_EQ(modeOf(test::home() + made), 0700u) << made;
}

TEST(AtomicFile, ANewFileNeverReplacesOneThatIsThere) {
  const std::string path = test::home() + "/new-only/point";
  EXPECT_TRUE(writeNewFileAtomically(path, "first"));
  EXPECT_FALSE(writeNewFileAtomically(path, "second"));
  EXPECT_EQ(test::readFile(path), "first");
  EXPECT_EQ(test::filesBelow(test::home() + "/new-only"), std::vector<std::string>{"point"}) << "no temporary left";
}

TEST(AtomicFile, OnlyStaleTemporariesOfTheNamedFilesAreSwept) {
  const std::string folder = test::home() + "/sweep";
  const auto age = [&](const std::string& name, int minutes) {
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - minutes * 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/" + name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  };
  const auto aged = [&](const std::string& name, int minutes) {
    test::writeFile(folder + "/" + name, "partial");
    age(name, minutes);
  };
  aged(".a.plist.Xy12Zq", 60);      // a write killed an hour ago
  aged("..GlobalPreferences.plist.AbCdEf", 60);
  aged(".b.plist.Qw3rTy", 1);       // a write that may still be going on
  aged(".c.json.Zz9Zz9", 60);       // not a file this folder's writers make
  aged(".a.plist.short", 60);       // not a temporary's name
  aged("a.plist", 60);
  ASSERT_EQ(::symlink("elsewhere", (folder + "/.d.plist.Lnk123").c_str()), 0);
  age(".d.plist.Lnk123", 60);
  removeStaleTemporaries(folder, [](std::string_view name) { return name.ends_with(".plist"); }, std::chrono::minutes(10));
  EXPECT_EQ(test::filesBelow(folder), (std::vector<std::string>{".a.plist.short", ".b.plist.Qw3rTy", ".c.json.Zz9Zz9",
                                                                "a.plist"}));
  EXPECT_TRUE(std::filesystem::is_symlink(folder + "/.d.plist.Lnk123")) << "a link is never a temporary";
}

// ---------------------------------------------------------------------------------------------
// Several writers

TEST(PreferenceFiles, TwoProcessesWritingOneDomainLoseNoKey) {
  constexpr int kWrites = 500;
  const auto writer = [](char prefix) {
    // Each process its own object, keeping parses as the application does: a write under the lock
    // must not build on a parse the other process has made stale since.
    const PreferenceFiles mine = PreferenceFiles::live().withCache(std::make_shared<PreferenceFileCache>());
    for (int i = 0; i < kWrites; ++i) {
      mine.readDomain("com.example.shared", false);  // as a batch reads before it writes
      mine.setValue(std::string(1, prefix) + std::to_string(i), PlistObject(std::int64_t{i}), "com.example.shared", false);
    }
  };
  std::vector<pid_t> children;
  for (char prefix : {'a', 'b'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      try {
        writer(prefix);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  // Meanwhile this process reads: it never sees half a file.
  std::map<pid_t, int> statuses;
  int unreadable = 0, reads = 0;
  while (statuses.size() < children.size()) {
    for (pid_t pid : children) {
      int status = 0;
      if (!statuses.contains(pid) && ::waitpid(pid, &status, WNOHANG) == pid) statuses[pid] = status;
    }
    if (!files().readDomain("com.example.shared", false)) ++unreadable;
    ++reads;
    ::usleep(2000);
  }
  for (const auto& [pid, status] : statuses) EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << pid;
  EXPECT_EQ(unreadable, 0) << "of " << reads << " reads";

  const auto domain = files().readDomain("com.example.shared", false);
  ASSERT_TRUE(domain.has_value());
  EXPECT_EQ(domain->size(), 2u * kWrites);
  for (char prefix : {'a', 'b'})
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(domain->count(std::string(1, prefix) + std::to_string(i)), 1u) << prefix << i;
  // No temporary file is left beside it.
  EXPECT_EQ(test::filesBelow(test::home() + "/Library/Preferences"),
            std::vector<std::string>{"com.example.shared.plist"});
}

TEST(PreferenceFiles, EveryReadSeesAnotherProcessWriteAtOnce) {
  const PreferenceFiles reader = files();
  EXPECT_FALSE(reader.copyValue("k", "com.example.peer", false).has_value());
  ASSERT_EQ(test::runDefaults({"write", "com.example.peer", "k", "-int", "1"}).exitStatus, 0);
  EXPECT_EQ(reader.copyValue("k", "com.example.peer", false), PlistObject(1));
  ASSERT_EQ(test::runDefaults({"write", "com.example.peer", "k", "-int", "2"}).exitStatus, 0);
  EXPECT_EQ(reader.copyValue("k", "com.example.peer", false), PlistObject(2));
}

// ---------------------------------------------------------------------------------------------
// The host UUID of by-host files

TEST(PreferenceFiles, ByHostFileIsNamedWithThisMachinesUUID) {
  PreferenceFiles::live().setValue("k", PlistObject(true), "com.example.host", true);
  const auto names = test::filesBelow(test::home() + "/Library/Preferences/ByHost");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "com.example.host." + hostUUID() + ".plist");
  EXPECT_TRUE(std::regex_match(hostUUID(), std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")))
      << hostUUID();
  if (const auto id = machineUUID()) {
    EXPECT_EQ(hostUUID(), *id);
  }
}

TEST(MachineIdentity, ReadsTheFirstValidMachineID) {
  const std::string folder = test::home() + "/ids/";
  test::writeFile(folder + "short", "0123456789abcdef\n");
  test::writeFile(folder + "nothex", "0123456789abcdef0123456789abcdeg\n");
  test::writeFile(folder + "good", "0123456789abcdef0123456789ABCDEF\n");
  test::writeFile(folder + "other", "ffffffffffffffffffffffffffffffff\n");
  EXPECT_EQ(machineUUID({folder + "missing", folder + "short", folder + "nothex", folder + "good", folder + "other"}),
            "01234567-89AB-CDEF-0123-456789ABCDEF");
  EXPECT_FALSE(machineUUID({folder + "short", folder + "missing"}).has_value());
}

// Two homes on one machine play two Macs: the machine id and the name come from the environment,
// for this process and the children it starts, and no system file is read instead.
TEST(MachineIdentity, EnvironmentNamesTheMachineIDFileAndTheHostName) {
  const std::string idFile = test::home() + "/mac-b/machine-id";
  test::writeFile(idFile, "b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0\n");
  ::setenv(kMachineIDFileVariable, idFile.c_str(), 1);
  ::setenv(kHostNameVariable, "Ada’s Mac $& 2", 1);
  const std::string uuid = "B0B0B0B0-B0B0-B0B0-B0B0-B0B0B0B0B0B0";
  EXPECT_EQ(machineUUID(), uuid);
  // The process reads its own once, at its first use: in a process of its own that uses it first
  // here, whatever the tests before this one in this process read.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(hostUUID() == uuid ? 0 : 1), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Host::current().localizedName(), "Ada’s Mac $& 2");
  ASSERT_EQ(test::runDefaults({"-currentHost", "write", "com.example.host", "k", "-int", "1"}).exitStatus, 0);
  EXPECT_EQ(test::filesBelow(test::home() + "/Library/Preferences/ByHost"),
            std::vector<std::string>{"com.example.host." + uuid + ".plist"});

  ::setenv(kMachineIDFileVariable, (idFile + ".missing").c_str(), 1);
  EXPECT_FALSE(machineUUID().has_value());
  ::setenv(kHostNameVariable, "", 1);
  EXPECT_NE(Host::current().localizedName(), "");
}

TEST(MachineIdentity, HardwareModelIsTheFirstLineOfTheFirmwareName) {
  const std::string folder = test::home() + "/dmi/";
  const std::pair<std::string, std::string> cases[] = {
      {"ThinkPad X1\nSecond\n", "ThinkPad X1"}, {"Mac14,2", "Mac14,2"}, {std::string("Box\0junk", 8), "Box"},
      {"\n", ""}, {"", "unknown"}};
  for (const auto& [content, expected] : cases) {
    test::writeFile(folder + "name", content);
    EXPECT_EQ(hardwareModel(folder + "name"), expected) << content;
  }
  EXPECT_EQ(hardwareModel(folder + "missing"), "unknown");
}
