#pragma once
// The one typed preference value of the system: what the preference store holds for a key, what
// a control produces, what the change history, snapshots, backups and sync documents carry.
// Eight kinds; equality by kind and content (an int 1 is never a double 1.0). Its JSON form is an
// object with exactly one member naming the kind; its property-list form is the platform's
// property-list object.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Support/Json.hpp"
#include "Platform/PlistObject.hpp"

namespace amberloom {

class PreferenceValue {
 public:
  enum class Kind { boolean, integer, real, string, data, date, dictionary, array };
  using Dictionary = std::map<std::string, PreferenceValue>;
  using Array = std::vector<PreferenceValue>;
  using Data = std::vector<std::uint8_t>;
  struct Date {
    double secondsSinceReferenceDate = 0;  // relative to 2001-01-01T00:00:00Z
  };

  static PreferenceValue boolean(bool v) { return PreferenceValue(Storage(std::in_place_index<0>, v)); }
  static PreferenceValue integer(std::int64_t v) { return PreferenceValue(Storage(std::in_place_index<1>, v)); }
  static PreferenceValue real(double v) { return PreferenceValue(Storage(std::in_place_index<2>, v)); }
  static PreferenceValue string(std::string v) { return PreferenceValue(Storage(std::in_place_index<3>, std::move(v))); }
  static PreferenceValue data(Data v) { return PreferenceValue(Storage(std::in_place_index<4>, std::move(v))); }
  static PreferenceValue date(double secondsSinceReferenceDate) {
    return PreferenceValue(Storage(std::in_place_index<5>, Date{secondsSinceReferenceDate}));
  }
  static PreferenceValue dictionary(Dictionary v) { return PreferenceValue(Storage(std::in_place_index<6>, std::move(v))); }
  static PreferenceValue array(Array v) { return PreferenceValue(Storage(std::in_place_index<7>, std::move(v))); }

  Kind kind() const { return static_cast<Kind>(storage_.index()); }
  // The kind's name as the JSON form spells it: "bool", "int", "double", ...
  static const char* kindName(Kind kind);

  // Accessors; each throws std::bad_variant_access when the value is of another kind.
  bool asBool() const { return std::get<0>(storage_); }
  std::int64_t asInt() const { return std::get<1>(storage_); }
  double asDouble() const { return std::get<2>(storage_); }
  const std::string& asString() const { return std::get<3>(storage_); }
  const Data& asData() const { return std::get<4>(storage_); }
  double asDate() const { return std::get<5>(storage_).secondsSinceReferenceDate; }
  const Dictionary& asDictionary() const { return std::get<6>(storage_); }
  const Array& asArray() const { return std::get<7>(storage_); }

  // Same kind and equal payloads: doubles by IEEE equality, strings by canonical equivalence,
  // dictionaries regardless of member order, arrays element-wise in order.
  bool operator==(const PreferenceValue& other) const;

  // The JSON form: {"int": 3}, {"data": "<base64>"}, {"date": "2024-03-05T14:07:09.250Z"}, ...
  // Throws JsonWriteError for a non-finite double or a date outside the years 1 to 9999 (neither
  // would read back).
  Json toJson() const;
  // Writes the same JSON form as text, as writeJson writes toJson(); throws as toJson does.
  void writeJsonTo(JsonTextWriter& out) const;
  // Reads the JSON form. Throws DecodingError: "Deger tam olarak bir tip anahtari tasimali" when
  // the object does not carry exactly one kind member, "Bozuk base64 veri", "Bozuk ISO8601 tarih",
  // or the decoder's own type errors.
  static PreferenceValue fromJson(const Json& json, const CodingPath& path = {});

  // The property-list object for the value; always succeeds.
  platform::PlistObject propertyList() const;
  // The value of a property-list object; none when it (or any member) cannot be represented.
  static std::optional<PreferenceValue> fromPropertyList(const std::optional<platform::PlistObject>& object);

 private:
  using Storage = std::variant<bool, std::int64_t, double, std::string, Data, Date, Dictionary, Array>;
  explicit PreferenceValue(Storage storage) : storage_(std::move(storage)) {}
  Storage storage_;
};

}  // namespace amberloom
