#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFileCache.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace test = amberloom::testing;

namespace {

std::string plist(std::int64_t k) { return binaryPropertyList(PlistObject(PlistDictionary{{"k", PlistObject(k)}})); }
std::string prefs(const std::string& name) { return test::preferencesFile(name); }

// Lets the file clock move past the files written so far, so that reading them may keep them.
void letFilesSettle() {
  timespec tick{};
  ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
  std::this_thread::sleep_for(std::chrono::nanoseconds(2 * tick.tv_nsec) + std::chrono::milliseconds(2));
}

// Reads through `cache`, counting the parses.
std::shared_ptr<const PlistDictionary> read(PreferenceFileCache& cache, const std::string& path, int& parses) {
  return cache.read(path, [&](const std::string& p) -> std::optional<PlistDictionary> {
    ++parses;
    std::string bytes;
    const auto object = readWholeFile(p, bytes) ? parsePropertyList(bytes) : std::nullopt;
    if (!object || !object->is<PlistDictionary>()) return std::nullopt;
    return object->as<PlistDictionary>();
  });
}

}  // namespace

TEST(PreferenceFileCache, ParsesEachUnchangedFileOnceWithinItsLimits) {
  for (int i = 0; i < 3; ++i) writeFileAtomically(prefs("f" + std::to_string(i)), plist(i));
  letFilesSettle();
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(prefs("f0")));
  struct Case {
    const char* what;
    PreferenceFileCache::Limits limits;
    std::vector<int> reads;  // file numbers, in order
    int parses;
  };
  const Case cases[] = {
      {"all fit", {}, {0, 1, 0, 1, 2, 0, 2}, 3},
      {"two files: the least recently used goes", {2, 1 << 20}, {0, 1, 0, 2, 0, 1}, 4},
      {"bytes for two files", {100, 2 * size}, {0, 1, 0, 2, 0, 1}, 4},
      {"a file larger than the budget is never kept", {100, size - 1}, {0, 0, 0}, 3},
  };
  for (const auto& c : cases) {
    PreferenceFileCache cache(c.limits);
    int parses = 0;
    for (int file : c.reads) {
      const auto domain = read(cache, prefs("f" + std::to_string(file)), parses);
      ASSERT_TRUE(domain) << c.what;
      EXPECT_EQ(domain->at("k"), PlistObject(file)) << c.what;
    }
    EXPECT_EQ(parses, c.parses) << c.what;
  }
}

TEST(PreferenceFileCache, NextReadSeesEveryKindOfWrite) {
  const PreferenceFiles cached = PreferenceFiles(test::home(), "HOST").withCache(std::make_shared<PreferenceFileCache>());
  const PreferenceFiles other(test::home(), "HOST");  // another writer with no cache of its own
  struct Case {
    const char* what;
    std::function<void(const std::string& domain)> write;  // leaves k at 2, or removes it
    std::optional<PlistObject> expected;
  };
  const Case cases[] = {
      {"this object", [&](const std::string& d) { cached.setValue("k", PlistObject(2), d, false); }, PlistObject(2)},
      {"this object removes the domain", [&](const std::string& d) { cached.removeDomain(d, false); }, std::nullopt},
      {"another writer", [&](const std::string& d) { other.setValue("k", PlistObject(2), d, false); }, PlistObject(2)},
      {"the defaults command",
       [](const std::string& d) { ASSERT_EQ(test::runDefaults({"write", d, "k", "-int", "2"}).exitStatus, 0); },
       PlistObject(2)},
      // Same size, same inode: only the file's times tell.
      {"an in-place rewrite", [](const std::string& d) { test::writeFile(prefs(d), plist(2)); }, PlistObject(2)},
      {"a damaged file", [](const std::string& d) { test::writeFile(prefs(d), std::string(plist(1).size(), 'x')); },
       std::nullopt},
  };
  int n = 0;
  for (const auto& c : cases) {
    // Once after the file has settled (the read keeps it), once at once after writing it, where a
    // same-size rewrite may fall within the same tick of the file clock.
    for (const bool settle : {true, false}) {
      const std::string domain = "com.example.d" + std::to_string(++n);
      cached.setValue("k", PlistObject(1), domain, false);
      if (settle) letFilesSettle();
      EXPECT_EQ(cached.copyValue("k", domain, false), PlistObject(1)) << c.what;
      EXPECT_EQ(cached.copyValue("k", domain, false), PlistObject(1)) << c.what;
      c.write(domain);
      EXPECT_EQ(cached.copyValue("k", domain, false), c.expected) << c.what << (settle ? ", settled" : ", at once");
    }
  }
}

TEST(PreferenceFileCache, ReadersOnOtherThreadsNeverSeeAnOlderValueThanWritten) {
  const PreferenceFiles files = PreferenceFiles(test::home(), "HOST").withCache(std::make_shared<PreferenceFileCache>());
  files.setValue("k", PlistObject(0), "com.example.busy", false);
  constexpr std::int64_t kWrites = 200;
  std::atomic<std::int64_t> written{0};
  std::atomic<int> faults{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t)
    readers.emplace_back([&] {
      for (std::int64_t seen = 0; seen < kWrites;) {
        const std::int64_t floor = written.load();
        const auto value = files.copyValue("k", "com.example.busy", false);
        const auto* number = value ? value->getIf<std::int64_t>() : nullptr;
        if (!number || *number < floor) ++faults;
        if (!number) return;
        seen = *number;
      }
    });
  for (std::int64_t i = 1; i <= kWrites; ++i) {
    files.setValue("k", PlistObject(i), "com.example.busy", false);
    written.store(i);
  }
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(faults.load(), 0);
}
