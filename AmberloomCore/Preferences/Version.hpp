#pragma once
// A dotted version number of non-negative integer components, compared position by position with
// a missing component read as 0 (14 equals 14.0.0). Stored in JSON as its dotted text.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Support/Json.hpp"

namespace amberloom {

class Version {
 public:
  // Built from components as they stand (no check); parsing is `parse`.
  explicit Version(std::vector<std::int64_t> components) : components_(std::move(components)) {}

  // None for an empty piece, a piece that is not a base-10 integer, or a negative one.
  static std::optional<Version> parse(std::string_view text);

  const std::vector<std::int64_t>& components() const { return components_; }
  std::string description() const;

  bool operator==(const Version& other) const { return compare(other) == 0; }
  std::strong_ordering operator<=>(const Version& other) const { return compare(other) <=> 0; }

  // True when, at every position of `family`, this version holds the same number.
  bool isWithin(const Version& family) const;

  // The running macOS version ("14.5" unless AMBERLOOM_MACOS_VERSION says otherwise).
  static Version current();
  // The version of the information list's "CFBundleShortVersionString"; "0" when it is missing,
  // not a string or does not parse.
  static Version currentApp(const Json& informationList);
  static Version currentApp();

  Json toJson() const { return description(); }
  // Throws DecodingError: "gecersiz surum: <text>" for text that does not parse.
  static Version fromJson(const Json& json, const CodingPath& path = {});

 private:
  int compare(const Version& other) const;
  std::vector<std::int64_t> components_;
};

}  // namespace amberloom
