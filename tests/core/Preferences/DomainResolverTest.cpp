#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceFileLocator.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace test = amberloom::testing;

namespace {

DomainResolver resolverWithContainers(std::set<std::string> sandboxed) {
  return DomainResolver{"/Users/ada", [sandboxed](const std::string& domain) { return sandboxed.contains(domain); }};
}

PreferenceFileLocator locatorListing(std::vector<std::string> byHostEntries) {
  return PreferenceFileLocator{"/Users/ada", [byHostEntries](const std::string& directory) {
                                 return directory == "/Users/ada/Library/Preferences/ByHost" ? byHostEntries
                                                                                            : std::vector<std::string>{};
                               }};
}

}  // namespace

TEST(DomainResolver, ResolvesGlobalSandboxedAndPlainDomains) {
  const DomainResolver resolver = resolverWithContainers({"com.example.sandboxed"});
  const std::string container =
      "/Users/ada/Library/Containers/com.example.sandboxed/Data/Library/Preferences/com.example.sandboxed";
  struct Case {
    const char* domain;
    bool byHost;
    ResolvedDomain expected;
  };
  const Case cases[] = {
      {"NSGlobalDomain", false, {kAnyApplication, HostScope::anyHost}},
      {"NSGlobalDomain", true, {kAnyApplication, HostScope::currentHost}},
      {"nsglobaldomain", false, {"nsglobaldomain", HostScope::anyHost}},
      {"com.example.sandboxed", false, {container, HostScope::anyHost}},
      {"com.example.sandboxed", true, {container, HostScope::currentHost}},
      {"com.apple.dock", false, {"com.apple.dock", HostScope::anyHost}},
      {"com.apple.dock", true, {"com.apple.dock", HostScope::currentHost}},
      {"", false, {"", HostScope::anyHost}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(resolver.resolve(c.domain, c.byHost), c.expected) << c.domain << (c.byHost ? " by host" : "");
}

TEST(DomainResolver, LiveResolverLooksForTheContainersPreferencesFolder) {
  const std::string container = test::makeContainer("com.example.sandboxed");
  std::filesystem::create_directories(test::home() + "/Library/Containers/com.example.halfmade/Data");
  const DomainResolver resolver = DomainResolver::live();
  EXPECT_EQ(resolver.homeDirectory, test::home());
  EXPECT_EQ(resolver.resolve("com.example.sandboxed", false).applicationID, container);
  EXPECT_EQ(resolver.resolve("com.example.halfmade", false).applicationID, "com.example.halfmade");
  EXPECT_EQ(resolver.resolve("com.example.none", true).applicationID, "com.example.none");
}

TEST(PreferenceFileLocator, NamesTheFileBehindEachKindOfDomain) {
  const PreferenceFileLocator locator = locatorListing(
      {"notes.txt", "com.example.app.plist.tmp", "com.example.apple.AAAA.plist", "com.example.app.BBBB.plist",
       ".GlobalPreferences.CCCC.plist", "com.example.app.DDDD.plist"});
  const std::string container = "/Users/ada/Library/Containers/c/Data/Library/Preferences/c";
  struct Case {
    ResolvedDomain domain;
    const char* path;
  };
  const Case cases[] = {
      {{kAnyApplication, HostScope::anyHost}, "/Users/ada/Library/Preferences/.GlobalPreferences.plist"},
      {{kAnyApplication, HostScope::currentHost}, "/Users/ada/Library/Preferences/ByHost/.GlobalPreferences.CCCC.plist"},
      {{"com.example.app", HostScope::anyHost}, "/Users/ada/Library/Preferences/com.example.app.plist"},
      // The prefix is the name and a dot: "com.example.apple..." is not a file of "com.example.app".
      {{"com.example.app", HostScope::currentHost}, "/Users/ada/Library/Preferences/ByHost/com.example.app.BBBB.plist"},
      {{container, HostScope::anyHost}, "/Users/ada/Library/Containers/c/Data/Library/Preferences/c.plist"},
      {{container, HostScope::currentHost}, "/Users/ada/Library/Containers/c/Data/Library/Preferences/c.plist"},
      {{"com.example.nofile", HostScope::currentHost},
       "/Users/ada/Library/Preferences/ByHost/com.example.nofile.<makine>.plist"},
  };
  for (const auto& c : cases) EXPECT_EQ(locator.path(c.domain), c.path) << c.domain.applicationID;
}

TEST(PreferenceFileLocator, FirstListedByHostFileWinsEvenForALongerDomain) {
  const PreferenceFileLocator locator = locatorListing({"com.a.b.UUID.plist", "com.a.UUID.plist"});
  EXPECT_EQ(locator.path({"com.a", HostScope::currentHost}), "/Users/ada/Library/Preferences/ByHost/com.a.b.UUID.plist");
  const PreferenceFileLocator reversed = locatorListing({"com.a.UUID.plist", "com.a.b.UUID.plist"});
  EXPECT_EQ(reversed.path({"com.a", HostScope::currentHost}), "/Users/ada/Library/Preferences/ByHost/com.a.UUID.plist");
  // "com.a.plist" begins with "com.a." and ends with ".plist" only by sharing the dot: no host part.
  const PreferenceFileLocator overlapping = locatorListing({"com.a.plist", "com.a.UUID.plist"});
  EXPECT_EQ(overlapping.path({"com.a", HostScope::currentHost}), "/Users/ada/Library/Preferences/ByHost/com.a.UUID.plist");
}

TEST(PreferenceFileLocator, LiveLocatorFindsTheFilesTheStoreWrote) {
  EXPECT_EQ(PreferenceFileLocator::live().path({"com.example.plain", HostScope::currentHost}),
            test::home() + "/Library/Preferences/ByHost/com.example.plain.<makine>.plist");  // no ByHost folder yet
  const std::string container = test::makeContainer("com.example.sandboxed");
  const DomainResolver resolver = DomainResolver::live();
  CFPreferenceStore store;
  const std::pair<const char*, bool> settings[] = {
      {"NSGlobalDomain", false}, {"NSGlobalDomain", true}, {"com.example.plain", false},
      {"com.example.plain", true}, {"com.example.sandboxed", false}, {"com.example.sandboxed", true}};
  for (const auto& [domain, byHost] : settings) {
    const ResolvedDomain resolved = resolver.resolve(domain, byHost);
    store.write(PreferenceValue::integer(7), "marker", resolved);
    const std::string path = PreferenceFileLocator::live().path(resolved);
    const auto file = test::readPlistFile(path);
    ASSERT_TRUE(file.has_value()) << domain << " " << byHost << ": " << path;
    EXPECT_EQ(file->as<platform::PlistDictionary>().at("marker"), platform::PlistObject(7)) << path;
  }
  EXPECT_TRUE(test::fileExists(container + ".plist"));
}
