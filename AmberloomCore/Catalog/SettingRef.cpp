#include "Catalog/SettingRef.hpp"

#include <algorithm>

#include "Support/CanonicalText.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

namespace {

// The domain, then the number of path elements and each element, then the flag, each text taken
// in the form `form` gives it.
template <class Form>
std::size_t hashOf(const SettingRef& ref, Form form) {
  std::size_t seed = std::hash<std::string>{}(form(ref.domain));
  const auto mix = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
  mix(ref.path.size());
  for (const auto& element : ref.path) mix(std::hash<std::string>{}(form(element)));
  mix(ref.byHost ? 1 : 0);
  return seed;
}

}  // namespace

bool SettingRef::operator==(const SettingRef& other) const {
  return byHost == other.byHost && canonicallyEqual(domain, other.domain) &&
         std::equal(path.begin(), path.end(), other.path.begin(), other.path.end(),
                    [](const std::string& a, const std::string& b) { return canonicallyEqual(a, b); });
}

SettingRef SettingRef::root() const {
  SettingRef root{domain, {}, byHost};
  if (!path.empty()) root.path.push_back(path.front());
  return root;
}

Json SettingRef::toJson() const { return Json{{"domain", domain}, {"path", path}, {"byHost", byHost}}; }

void SettingRef::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject().key("byHost").boolean(byHost).key("domain").string(domain).key("path").beginArray();
  for (const auto& element : path) out.string(element);
  out.endArray().endObject();
}

SettingRef SettingRef::fromJson(const Json& json, const CodingPath& codingPath) {
  return SettingRef{requiredString(json, "domain", codingPath),
                    decodeStringArray(member(json, "path", codingPath), appending(codingPath, "path")),
                    decodeBool(member(json, "byHost", codingPath), appending(codingPath, "byHost"))};
}

std::string SettingRef::description() const {
  return describe::structure("SettingRef", {{"domain", describe::text(domain)},
                                           {"path", describe::textList(path)},
                                           {"byHost", describe::boolean(byHost)}});
}

std::size_t SettingRef::ExactHash::operator()(const SettingRef& ref) const noexcept {
  return hashOf(ref, [](const std::string& text) -> const std::string& { return text; });
}

}  // namespace amberloom

std::size_t std::hash<amberloom::SettingRef>::operator()(const amberloom::SettingRef& ref) const noexcept {
  return amberloom::hashOf(ref, [](const std::string& text) { return amberloom::canonicalForm(text); });
}
