#pragma once
// The change history: for each setting the application changed for the user, the last value the
// user chose (none for a reset), when, and on which macOS build. One entry per setting, kept in
// the compact JSON file "intents.json" (an array of entries); recording a setting replaces its
// entry and appends it at the end. Every call looks at the files anew, and every change is made
// under the advisory lock of their folder, so that two processes recording at once (the
// application and the login-time run) lose nothing.
//
// A change costs what it changes, however long the history: while the history is small (64 KiB)
// the file is rewritten whole and atomically, as every build has written it; beyond that a change
// is appended, flushed, as one line to the journal "intents.json.journal" (a JSON array of
// {"settingID", "record"} per line, no record for a setting forgotten), until the journal is as
// long as the file, which then takes every line in one atomic rewrite, and the journal goes. A
// line cut short by a crash is passed over, and cut away by the next change; reading the journal
// again over a file that already holds it changes nothing. A file without a journal is read as
// it always was. What the files held when last read or written is kept by the log and its copies
// and brought up to date with what was added since, so a call costs no parse of a long history.
//
// Reading never throws; a change that cannot be stored throws HistoryWriteError, so that a
// caller can say so. A file that exists but cannot be read (its permissions, a body that is not
// the history's) is moved aside as "intents.corrupt-<yyyy-MM-dd-HHmmss UTC>.json" ("-2", "-3",
// ... before ".json" when taken) and the history reads as what the journal holds; while it cannot
// be moved, no change is stored. An entry whose value has no JSON form is never stored; the
// others are. Copies of a log may be used from any thread at once.

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Changes/HeldSettings.hpp"
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
  void writeJsonTo(JsonTextWriter& out) const;  // the same, as text
  // Requires "settingID", "at" (a number) and "osBuild"; a "value" absent or null is none.
  // Throws DecodingError, also for a value that is not a valid PreferenceValue.
  static RecordedIntent fromJson(const Json& json, const CodingPath& path = {});
};

// A record with the compact JSON text the history holds of it (RecordedIntent::writeJsonTo).
struct WrittenRecord {
  RecordedIntent intent;
  std::string text;
};

// A setting's record in the change history at one moment; none when it had none. What an undo
// point keeps so that taking it back puts the history back too.
struct PriorIntent {
  std::string settingID;
  std::optional<RecordedIntent> record;
  // The history's own text of `record`, when it was read there: written as it is while it still
  // stands for `record`, so that an undo point of a thousand settings writes no record twice. Not
  // part of the value.
  std::shared_ptr<const WrittenRecord> written = nullptr;

  bool operator==(const PriorIntent& other) const {
    return settingID == other.settingID && record == other.record;
  }

  // {"settingID": "...", "record": {...}}; "record" only when there is one.
  Json toJson() const;
  void writeJsonTo(JsonTextWriter& out) const;  // the same, as text
  // Requires "settingID"; a "record" absent or null is none. Throws DecodingError.
  static PriorIntent fromJson(const Json& json, const CodingPath& path = {});
};

// A change of the history that was not stored: the history file, and why (its folder cannot be
// made or locked, the disk is full or read-only, an unreadable history is in the way).
class HistoryWriteError : public std::runtime_error {
 public:
  HistoryWriteError(std::string path, const std::string& reason)
      : std::runtime_error("The change history " + path + " could not be saved: " + reason), path_(std::move(path)) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class IntentLog {
 public:
  using Clock = std::function<double()>;  // seconds since the reference date

  static constexpr std::string_view fileName = "intents.json";
  // What the journal's name adds to the file's.
  static constexpr std::string_view journalSuffix = ".journal";

  IntentLog(std::string path, std::string osBuild, Clock clock = iso8601::now);
  // The log on ~/Library/Application Support/AmberLoom/intents.json; creates the folder first,
  // ignoring a failure (later changes then throw HistoryWriteError).
  static IntentLog standard(std::string osBuild);

  const std::string& path() const { return path_; }
  // The journal beside the file, there only while it holds changes the file does not.
  std::string journalPath() const;
  const std::string& osBuild() const { return osBuild_; }

  // Every entry in file order; empty when the file is missing, unopenable or quarantined.
  std::vector<RecordedIntent> all() const;
  // all() latest first; entries of the same time keep their file order.
  std::vector<RecordedIntent> newestFirst() const;
  // The first entry of all() for exactly this id.
  std::optional<RecordedIntent> intent(const std::string& settingID) const;
  // Drops every entry of the setting, appends the new one (time taken before reading) and returns
  // it. Throws HistoryWriteError when it could not be stored.
  RecordedIntent record(const std::string& settingID, std::optional<PreferenceValue> value) const;
  // Records each choice in order, as record one after the other would, in one change of the
  // history; a choice whose value has no JSON form (a number that is not finite) is left out
  // alone. Throws HistoryWriteError when it could not be stored.
  std::vector<RecordedIntent> record(
      const std::vector<std::pair<std::string, std::optional<PreferenceValue>>>& choices) const;
  // Drops every entry of the setting and stores the history, also when nothing was dropped (a
  // small one is rewritten: "[]" for a missing or unreadable history). Throws HistoryWriteError
  // when it could not be stored.
  void forget(const std::string& settingID) const;
  // The record of each setting, each setting once, in the given order.
  std::vector<PriorIntent> records(const std::vector<std::string>& settingIDs) const;
  // Puts each setting's record back as it was: the record itself, as it was stored, appended at the
  // end; none forgets the setting. One change of the history; throws HistoryWriteError when it
  // could not be stored.
  void putBack(const std::vector<PriorIntent>& records) const;
  // Names (not paths) in the history's folder that begin with "intents.corrupt-" and end with
  // ".json", in ascending string order; empty when the folder cannot be listed.
  std::vector<std::string> quarantinedFiles() const;
  // What says the history lost records: the name of the newest history moved aside as unreadable,
  // or the path of one that cannot be read and still stands in place; none while nothing was lost.
  // Decisions it held are unknown then, so a caller that acts on them acts as if each was made.
  std::optional<std::string> damage() const;
  // The decisions kept beside the history (see HeldSettings), in its folder, on its clock.
  HeldSettings held() const;

 private:
  class Cache;

  std::string folder() const;
  void quarantine() const;
  // Under the folder's lock: drops every entry of the settings of `replaced` and appends those of
  // them that hold a record, then stores the change. Nothing is stored, and HistoryWriteError
  // thrown, when the folder cannot be locked, the change cannot be written, or the file exists,
  // cannot be read and cannot be moved aside.
  void update(std::vector<PriorIntent> replaced) const;

  std::string path_;
  std::string osBuild_;
  Clock clock_;
  std::shared_ptr<Cache> cache_;
};

}  // namespace amberloom
