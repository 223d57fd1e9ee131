// A sync document from another Mac, as the sync folder or the account server hands it over. It
// fails only with SyncError, and a document that reads writes back to bytes that read as the
// same document. A changed byte rarely keeps the checksum right, so each input is read a second
// time with its checksum made to fit what it holds: the checks after the checksum get tried too.

#include "FuzzInput.hpp"
#include "Sync/SyncDocument.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

namespace {

// What the checksum sums: the intents, each as it reads.
Json summedIntents(const Json& json) {
  Json summed = Json::object();
  for (const auto& [settingID, value] : requireObject(member(json, "intents", {}), {"intents"}).items())
    summed[settingID] = PreferenceValue::fromJson(value, {"intents", settingID}).toJson();
  return summed;
}

// Reads `bytes`; a document that reads must write back to the same document.
std::optional<SyncError> readAndRewrite(std::string_view bytes) {
  std::optional<SyncDocument> document;
  try {
    document = SyncDocument::fromData(bytes);
  } catch (const SyncError& error) {
    return error;
  }
  for (const auto& [settingID, value] : document->intents)
    fuzz::require(SyncDocument::isShareable(settingID, value), "every value read can be shared again");
  // Compared in the written form: a date is written to the millisecond, whatever it was read with.
  const std::string written = document->encoded();
  try {
    fuzz::require(SyncDocument::fromData(written).encoded() == written, "a document reads back as written");
  } catch (const SyncError&) {
    fuzz::require(false, "what a document writes reads back");
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto bytes = fuzz::text(data, size);
  const auto error = readAndRewrite(bytes);
  if (!error || error->errorCase() != SyncError::Case::checksumMismatch) return 0;
  if (const auto repaired = fuzz::withFittingChecksum(bytes, summedIntents)) {
    const auto again = readAndRewrite(*repaired);
    fuzz::require(!again || again->errorCase() != SyncError::Case::checksumMismatch,
                  "the checksum is the same whoever sums the same intents");
  }
  return 0;
}
