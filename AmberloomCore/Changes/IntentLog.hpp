#pragma once
// The change history: for each setting the application changed for the user, the last value the
// user chose (none for a reset), when, and on which macOS build. One entry per setting, kept in
// the compact JSON file "intents.json"; recording a setting replaces its entry and appends it at
// the end. Nothing is held in memory: every call reads the file anew and every change rewrites it
// whole and atomically, under the advisory lock of its folder, so that two processes recording at
// once (the application and the login-time run) lose nothing. No call throws. An unreadable file
// is moved aside as "intents.corrupt-<yyyy-MM-dd-HHmmss UTC>.json" ("-2", "-3", ... before ".json"
// when taken) and the history reads as empty.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Support/Iso8601.hpp"
#include "Support/Json.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct RecordedIntent {
  std::string settingID;
  std::optional<PreferenceValue> value;  // none: the setting was reset
  double at = 0;                         // seconds since the reference date
  std::string osBuild;                   // possibly empty

  bool operator==(const RecordedIntent&) const = default;

  // {"at": 1.5, "osBuild": "...", "settingID": "...", "value": {...}}; "value" only when present.
  Json toJson() const;
  // Requires "settingID", "at" (a number) and "osBuild"; a "value" absent or null is none.
  // Throws DecodingError, also for a value that is not a valid PreferenceValue.
  static RecordedIntent fromJson(const Json& json, const CodingPath& path = {});
};

// A setting's record in the change history at one moment; none when it had none. What an undo
// point keeps so that taking it back puts the history back too.
struct PriorIntent {
  std::string settingID;
  std::optional<RecordedIntent> record;

  bool operator==(const PriorIntent&) const = default;

  // {"settingID": "...", "record": {...}}; "record" only when there is one.
  Json toJson() const;
  // Requires "settingID"; a "record" absent or null is none. Throws DecodingError.
  static PriorIntent fromJson(const Json& json, const CodingPath& path = {});
};

class IntentLog {
 public:
  using Clock = std::function<double()>;  // seconds since the reference date

  static constexpr std::string_view fileName = "intents.json";

  IntentLog(std::string path, std::string osBuild, Clock clock = iso8601::now);
  // The log on ~/Library/Application Support/AmberLoom/intents.json; creates the folder first,
  // ignoring a failure (later writes then fail silently).
  static IntentLog standard(std::string osBuild);

  const std::string& path() const { return path_; }
  const std::string& osBuild() const { return osBuild_; }

  // Every entry in file order; empty when the file is missing, unopenable or quarantined.
  std::vector<RecordedIntent> all() const;
  // all() latest first; entries of the same time keep their file order.
  std::vector<RecordedIntent> newestFirst() const;
  // The first entry of all() for exactly this id.
  std::optional<RecordedIntent> intent(const std::string& settingID) const;
  // Drops every entry of the setting and appends the new one (time taken before reading). A
  // failure to store it is ignored: the entry built is returned in any case.
  RecordedIntent record(const std::string& settingID, std::optional<PreferenceValue> value) const;
  // Records each choice in order, as record one after the other would, in one rewrite of the file.
  std::vector<RecordedIntent> record(
      const std::vector<std::pair<std::string, std::optional<PreferenceValue>>>& choices) const;
  // Drops every entry of the setting and rewrites the file, also when nothing was dropped ("[]"
  // for a missing or unreadable history). A failure to write is ignored.
  void forget(const std::string& settingID) const;
  // The record of each setting, each setting once, in the given order.
  std::vector<PriorIntent> records(const std::vector<std::string>& settingIDs) const;
  // Puts each setting's record back as it was: the record itself, as it was stored, appended at the
  // end; none forgets the setting. One rewrite of the file; a failure to write is ignored.
  void putBack(const std::vector<PriorIntent>& records) const;
  // Names (not paths) in the history's folder that begin with "intents.corrupt-" and end with
  // ".json", in ascending string order; empty when the folder cannot be listed.
  std::vector<std::string> quarantinedFiles() const;

 private:
  std::string folder() const;
  void quarantine() const;
  // Reads the history, lets `change` edit it and writes it back, all under the folder's lock.
  void update(const std::function<void(std::vector<RecordedIntent>&)>& change) const;
  void write(const std::vector<RecordedIntent>& intents) const;

  std::string path_;
  std::string osBuild_;
  Clock clock_;
};

}  // namespace amberloom
