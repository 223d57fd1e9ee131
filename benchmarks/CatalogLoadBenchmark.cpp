// Times loading and validating the built-in catalogue and a generated 10,000-setting catalogue.
// Prints the median of several runs in milliseconds against its target, and as a ratio to the
// bare JSON parse of the same bytes in the same run (so slow machines compare fairly).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "MedianTime.hpp"
#include "Preferences/BundledResource.hpp"
#include "Support/Json.hpp"
#include "Catalog/SettingsCatalog.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

namespace {

// Settings of every shape the loader handles (all value types and controls, texts, version
// bounds, restart lists, by-host and nested paths), about as long as the built-in ones.
std::string generatedCatalogue(int count) {
  static const char* types[] = {"bool", "int", "double", "string", "dictionary", "array"};
  Json settings = Json::array();
  for (int i = 0; i < count; ++i) {
    const std::string type = types[i % 6];
    Json setting = {{"id", "bench." + std::to_string(i)},
                    {"domain", "com.example.app" + std::to_string(i % 50)},
                    {"path", i % 10 == 0 ? Json{"Outer", "key" + std::to_string(i)} : Json{"key" + std::to_string(i)}},
                    {"type", type},
                    {"label", "Generated setting number " + std::to_string(i)},
                    {"byHost", i % 7 == 0},
                    {"restart", {"Dock", "Finder"}},
                    {"osMin", "13.0"},
                    {"osMax", "15.99"},
                    {"brokenOn", {"14.4.1"}},
                    {"exposure", i % 2 ? "hidden" : "alsoInSystemSettings"},
                    {"risk", "none"},
                    {"tier", "editable"},
                    {"text",
                     {{"summary", "What generated setting " + std::to_string(i) +
                                      " does, in a sentence or two: it changes how an app behaves when you open a "
                                      "window, and the change shows the next time the app starts."},
                      {"whyHidden", "System Settings has no control for it; only the defaults command or an app "
                                    "like this one can change it."},
                      {"level", "advanced"},
                      {"category", "apps"},
                      {"categoryName", "Apps"},
                      {"subcategory", "apps_" + std::to_string(i % 40)},
                      {"subcategoryName", "App " + std::to_string(i % 40)}}}};
    if (type == "int")
      setting["control"] = {{"choice", {{{"value", 0}, {"label", "Off"}}, {{"value", 1}, {"label", "On"}}}}};
    else if (type == "double")
      setting["control"] = {{"slider", {{"min", 0}, {"max", 2}, {"step", 0.1}}}};
    else if (type == "string")
      setting["control"] = "text";
    settings.push_back(std::move(setting));
  }
  return writeJson(Json{{"schemaVersion", 1}, {"catalogVersion", 1}, {"settings", settings}});
}

void report(const char* what, const std::string& bytes, int runs, double targetMilliseconds) {
  std::size_t settings = 0;
  const double load = medianMilliseconds(runs, [&] { settings = SettingsCatalog::fromData(bytes).settings().size(); });
  const double parse = medianMilliseconds(runs, [&] { (void)parseJson(bytes); });
  std::printf("%s (%zu settings, %zu bytes): %.2f ms (target < %.0f ms: %s), %.2fx the bare JSON parse (%.2f ms)\n", what,
              settings, bytes.size(), load, targetMilliseconds, load < targetMilliseconds ? "met" : "MISSED",
              load / parse, parse);
}

}  // namespace

int main() {
  report("built-in catalogue", BundledResource::data("catalog"), 51, 5);
  report("generated catalogue", generatedCatalogue(10000), 11, 100);
  return 0;
}
