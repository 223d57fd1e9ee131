#include "Preferences/Version.hpp"

#include <charconv>
#include <cstdlib>

#include "Preferences/BundledResource.hpp"
#include "Support/Log.hpp"

namespace amberloom {

std::optional<Version> Version::parse(std::string_view text) {
  std::vector<std::int64_t> components;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    std::string_view piece = text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (piece.empty()) return std::nullopt;
    // One optional sign, then digits only, within the signed 64-bit range; "-0" is 0.
    const bool negative = piece.front() == '-';
    if (negative || piece.front() == '+') piece.remove_prefix(1);
    if (piece.empty() || piece.front() < '0' || piece.front() > '9') return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (ec != std::errc() || end != piece.data() + piece.size() || (negative && value != 0)) return std::nullopt;
    components.push_back(value);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return Version(std::move(components));
}

std::string Version::description() const {
  std::string text;
  for (std::size_t i = 0; i < components_.size(); ++i) text += (i ? "." : "") + std::to_string(components_[i]);
  return text;
}

int Version::compare(const Version& other) const {
  const std::size_t length = std::max(components_.size(), other.components_.size());
  for (std::size_t i = 0; i < length; ++i) {
    const std::int64_t a = i < components_.size() ? components_[i] : 0;
    const std::int64_t b = i < other.components_.size() ? other.components_[i] : 0;
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

bool Version::isWithin(const Version& family) const {
  for (std::size_t i = 0; i < family.components_.size(); ++i) {
    const std::int64_t mine = i < components_.size() ? components_[i] : 0;
    if (mine != family.components_[i]) return false;
  }
  return true;
}

Version Version::current() {
  if (const char* text = std::getenv("AMBERLOOM_MACOS_VERSION")) {
    if (auto parsed = parse(text)) {
      auto components = parsed->components();
      components.resize(3, 0);  // major.minor.patch
      return Version(std::move(components));
    }
  }
  return Version({14, 5, 0});
}

Version Version::currentApp(const Json& informationList) {
  if (const Json* text = optionalMember(informationList, "CFBundleShortVersionString"); text && text->is_string())
    if (auto parsed = parse(text->get<std::string>())) return *parsed;
  return Version({0});
}

Version Version::currentApp() {
  try {
    return currentApp(parseJson(BundledResource::data("Info")));
  } catch (const std::exception&) {
    log::dropped(log::Area::preferences, "The built-in information list cannot be read for the version");
    return Version({0});
  }
}

Version Version::fromJson(const Json& json, const CodingPath& path) {
  const std::string text = decodeString(json, path);
  auto parsed = parse(text);
  if (!parsed) throw DecodingError(DecodingError::Kind::dataCorrupted, path, "gecersiz surum: " + text);
  return *parsed;
}

}  // namespace amberloom
