#pragma once
// A property-list object as the preference files hold it: the eight kinds a property list can
// carry, plus `PlistOther` for what the rest of the system cannot represent (a UID, an unsigned
// integer beyond the signed 64-bit range, text that is not well-formed). Text is always well-formed
// UTF-8 and may hold U+0000. Converted to and from bytes only in PlistCoding.cpp,
// BinaryPropertyList.cpp and XmlPropertyListReader.cpp.

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace amberloom::platform {

struct PlistObject;
using PlistDictionary = std::map<std::string, PlistObject>;
using PlistArray = std::vector<PlistObject>;
using PlistData = std::vector<std::uint8_t>;

// An instant as seconds relative to 2001-01-01T00:00:00Z, the property-list reference date.
struct PlistDate {
  double secondsSinceReferenceDate = 0;
  bool operator==(const PlistDate&) const = default;
};

// Something a property list can hold that has no place in a preference value.
struct PlistOther {
  std::string kind;         // "uid", "uint64", "utf16" (text with an unpaired surrogate)
  std::uint64_t value = 0;  // the UID or the unsigned integer, so that a rewrite keeps it
  std::string bytes = {};   // "utf16": the stored big-endian code units, written back unchanged
  bool operator==(const PlistOther&) const = default;
};

// A dictionary key that is not well-formed text is kept as this byte, which never occurs in UTF-8,
// followed by the key's stored big-endian UTF-16 code units, so that a rewrite keeps the member.
inline constexpr char kRawKeyMarker = '\xFF';
inline bool isRawKey(const std::string& key) { return !key.empty() && key.front() == kRawKeyMarker; }

struct PlistObject {
  using Storage = std::variant<bool, std::int64_t, double, std::string, PlistData, PlistDate,
                               PlistDictionary, PlistArray, PlistOther>;
  Storage value;

  PlistObject() : value(PlistDictionary{}) {}
  template <typename T>
    requires std::is_constructible_v<Storage, T&&> && (!std::is_same_v<std::decay_t<T>, PlistObject>)
  PlistObject(T&& v) : value(std::forward<T>(v)) {}
  PlistObject(const char* text) : value(std::string(text)) {}
  PlistObject(int v) : value(std::int64_t{v}) {}

  template <typename T> bool is() const { return std::holds_alternative<T>(value); }
  template <typename T> const T& as() const { return std::get<T>(value); }
  template <typename T> const T* getIf() const { return std::get_if<T>(&value); }

  bool operator==(const PlistObject&) const = default;
};

}  // namespace amberloom::platform
