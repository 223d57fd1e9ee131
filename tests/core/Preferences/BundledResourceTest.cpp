#include <gtest/gtest.h>

#include <filesystem>

#include "Preferences/BundledResource.hpp"
#include "Support/Json.hpp"
#include "TestHome.hpp"

using amberloom::BundledResource;
using amberloom::ResourceError;
namespace test = amberloom::testing;

TEST(BundledResource, ApplicationFolderIsReadBeforeTheCoreResources) {
  const std::string folder = test::home() + "/App/Resources";
  test::writeFile(folder + "/Info.json", R"({"CFBundleIdentifier":"from.the.application"})");
  EXPECT_EQ(BundledResource::data("Info", folder), R"({"CFBundleIdentifier":"from.the.application"})");
}

TEST(BundledResource, CoreResourceIsReadWhenTheApplicationHasNone) {
  const std::string folder = test::home() + "/App/Resources";
  test::writeFile(folder + "/other.json", "{}");
  for (const auto& bytes : {BundledResource::data("Info", folder), BundledResource::data("Info", std::nullopt),
                            BundledResource::data("Info")}) {
    const auto info = amberloom::parseJson(bytes);
    EXPECT_EQ(info.at("CFBundleIdentifier"), "tv.winterbrae.amberloom");
  }
}

TEST(BundledResource, MissingResourceNamesTheFileLookedFor) {
  try {
    BundledResource::data("catalog_nope", test::home());
    ADD_FAILURE() << "a missing resource was found";
  } catch (const ResourceError& error) {
    EXPECT_EQ(error.fileName(), "catalog_nope.json");
    EXPECT_EQ(error.description(), R"(missing("catalog_nope.json"))");
    EXPECT_EQ(error, ResourceError::missing("catalog_nope.json"));
  }
  // A folder by the resource's name is not the resource.
  std::filesystem::create_directories(test::home() + "/Res/catalog_nope.json");
  EXPECT_THROW(BundledResource::data("catalog_nope", test::home() + "/Res"), ResourceError);
}
