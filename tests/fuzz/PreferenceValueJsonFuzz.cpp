// Preference values in their JSON form, as every stored file of the system carries them. A value
// that reads writes back to text that reads as the same value, and survives its property-list form.

#include "FuzzInput.hpp"
#include "Preferences/PreferenceValue.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<PreferenceValue> value;
  try {
    value = PreferenceValue::fromJson(parseJson(fuzz::text(data, size)));
  } catch (const DecodingError&) {
    return 0;
  }
  std::string written;
  try {
    written = writeJson(value->toJson());
  } catch (const JsonWriteError&) {
    return 0;  // a number beyond the double range reads as infinite, which JSON cannot hold
  }
  const auto again = PreferenceValue::fromJson(parseJson(written));
  fuzz::require(writeJson(again.toJson()) == written, "the JSON form reads back as written");
  const auto viaPlist = PreferenceValue::fromPropertyList(value->propertyList());
  fuzz::require(viaPlist && writeJson(viaPlist->toJson()) == written, "the property-list form keeps the value");
  return 0;
}
