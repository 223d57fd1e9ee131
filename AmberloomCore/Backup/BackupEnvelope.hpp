#pragma once
// One Mac's backup file: the captured root values of its catalogued settings, who wrote them,
// when and on which macOS, and a checksum of the snapshot. The file is pretty-printed JSON with
// sorted keys, named "<deviceID>.amberloom.json" in the backup folder. A backup is input from
// another Mac or another person, so reading checks it whole: its size, its nesting, its schema
// version, its checksum and every entry's domain and key path, and refuses it with a reason. A
// backup never writes this application's own preferences or the global domain by its alias:
// such entries read as unreadable ones, which no restore writes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Changes/SnapshotService.hpp"
#include "Support/DeviceName.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

// Why a backup file was refused.
class BackupError : public DescribedError {
 public:
  enum class Case { checksumMismatch, unsupportedSchemaVersion, unreadable };

  static BackupError checksumMismatch(std::string deviceID);
  static BackupError unsupportedSchemaVersion(std::string deviceID, std::int64_t found, std::int64_t supported);
  // `detail` says what was wrong for a log or a test; it is not part of the error's identity.
  static BackupError unreadable(std::string detail = {});

  Case errorCase() const { return case_; }
  const std::string& deviceID() const { return deviceID_; }  // empty for unreadable
  std::int64_t found() const { return found_; }
  std::int64_t supported() const { return supported_; }
  const std::string& detail() const { return detail_; }

  // By case and attached values; the detail is left out.
  bool operator==(const BackupError& other) const {
    return case_ == other.case_ && deviceID_ == other.deviceID_ && found_ == other.found_ && supported_ == other.supported_;
  }

 private:
  BackupError(Case c, std::string deviceID, std::int64_t found, std::int64_t supported, std::string detail);
  Case case_;
  std::string deviceID_;
  std::int64_t found_ = 0;
  std::int64_t supported_ = 0;
  std::string detail_;
};

struct BackupEnvelope {
  // Written into every file; the highest version a reader accepts.
  static constexpr std::int64_t supportedSchemaVersion = 2;
  // Larger files are refused unread. A single root value may take at most `maxValueBytes` of JSON
  // text (about what one preference domain may hold on a Mac) and nest at most `maxValueNesting`
  // levels of dictionaries and arrays (a scalar is one level).
  static constexpr std::size_t maxFileBytes = 16u << 20;
  static constexpr std::size_t maxValueBytes = 4u << 20;
  static constexpr int maxValueNesting = 64;

  struct UnreadableBackup {
    std::string file;  // the file's name, not its path
    BackupError reason;
    bool operator==(const UnreadableBackup&) const = default;
  };

  struct ReadResult {
    std::vector<BackupEnvelope> backups;          // ascending file-name order
    std::vector<UnreadableBackup> unreadable;     // ascending file-name order
    bool operator==(const ReadResult&) const = default;
  };

  std::string deviceID;  // upper-case hyphenated UUID text
  std::optional<std::string> deviceName;
  std::optional<double> createdAt;  // seconds since the reference date; stored to the whole second
  std::optional<std::string> osVersion;
  Snapshot snapshot;

  bool operator==(const BackupEnvelope&) const = default;

  // The name the user knows this Mac by (see shownDeviceName): the device name, a placeholder for
  // one that shows nothing, the device ID when there is none.
  std::string displayName() const { return shownDeviceName(deviceName, deviceID); }

  // Decodes and checks one file's bytes; the first failing check decides the error: unreadable
  // (too large, too deep, not the file's JSON form), unsupportedSchemaVersion (above 2),
  // unreadable for more than `maxEntries` entries, checksumMismatch, then unreadable for an entry
  // no backup may hold. Entries for domains no batch may write come out unreadable (see
  // withoutForbiddenWrites). Throws BackupError only.
  static BackupEnvelope fromData(std::string_view bytes, std::size_t maxEntries = SIZE_MAX);
  // The file's bytes. Throws JsonWriteError for a value with no JSON form.
  std::string encoded() const;
  // Every file of a folder, by name: each read with fromData, in ascending name order.
  static ReadResult readAll(const std::map<std::string, std::string>& files, std::size_t maxEntries = SIZE_MAX);

  // Why a backup of this many entries is refused where at most `maxEntries` are read; none when
  // it is not. Never throws.
  static std::optional<std::string> sizeRefusal(std::size_t entries, std::size_t maxEntries);

  // Why a backup may not hold a value (no JSON form, larger than maxValueBytes, nested deeper than
  // maxValueNesting); none when it may. Never throws.
  static std::optional<std::string> valueRefusal(const PreferenceValue& value);
  // Why a backup may not hold this entry: an empty key path, a domain that is not a preference
  // domain ("NSGlobalDomain" or a reverse-DNS-like name), a Night Shift entry that is not a
  // switch state, or a refused value; none when it may. Never throws.
  static std::optional<std::string> entryRefusal(const SnapshotEntry& entry);
};

}  // namespace amberloom
