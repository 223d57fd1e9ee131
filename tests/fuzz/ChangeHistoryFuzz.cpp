// The change history file: an array of recorded intents, read the way the log reads it. What
// reads writes back to text that reads as the same entries.

#include "Changes/IntentLog.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<RecordedIntent> intents;
  try {
    const Json json = parseJson(fuzz::text(data, size));
    const Json& list = requireArray(json, {});
    for (std::size_t i = 0; i < list.size(); ++i) intents.push_back(RecordedIntent::fromJson(list[i], appending({}, i)));
  } catch (const DecodingError&) {
    return 0;
  }
  Json list = Json::array();
  for (const auto& intent : intents) list.push_back(intent.toJson());
  std::string written;
  try {
    written = writeJson(list);
  } catch (const JsonWriteError&) {
    return 0;
  }
  const Json back = parseJson(written);
  fuzz::require(back.size() == intents.size(), "every entry is written");
  for (std::size_t i = 0; i < back.size(); ++i)
    fuzz::require(writeJson(RecordedIntent::fromJson(back[i]).toJson()) == writeJson(intents[i].toJson()),
                  "an entry reads back as written");
  return 0;
}
