#pragma once
// What one Mac shares with the user's other Macs: the current value of every catalogued setting
// available on it, by setting id, with the Mac's device id and name. Its file form is one
// pretty-printed JSON object with sorted keys:
//   {"checksum": "<64 hex>", "deviceID": "...", "deviceName": "...", "intents": {...}, "schemaVersion": 1}
// The checksum is the SHA-256 of the intents alone, written compact with sorted keys, so that any
// change to a value, a setting id or the set of settings is caught whatever the file's layout.
//
// A document from another Mac is untrusted: reading refuses oversized files, deep nesting, huge
// texts and numbers without a JSON form; writing leaves out a value the reader would refuse, so
// that one odd preference never stops a Mac from sharing the rest.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Preferences/PreferenceValue.hpp"
#include "Support/DeviceName.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

// Why a document could not be read. Carries no sentence for the user: callers word it.
class SyncError : public DescribedError {
 public:
  enum class Case { checksumMismatch, unsupportedSchemaVersion, unreadable };

  // The stored checksum differs from the one recomputed from the values.
  static SyncError checksumMismatch(std::string deviceID);
  // The document's schema is newer than this build reads.
  static SyncError unsupportedSchemaVersion(std::string deviceID, std::int64_t found, std::int64_t supported);
  // The bytes are not a sync document this build accepts.
  static SyncError unreadable();

  Case errorCase() const { return case_; }
  const std::string& deviceID() const { return deviceID_; }  // empty for unreadable
  std::int64_t found() const { return found_; }
  std::int64_t supported() const { return supported_; }
  bool operator==(const SyncError& other) const {
    return case_ == other.case_ && deviceID_ == other.deviceID_ && found_ == other.found_ &&
           supported_ == other.supported_;
  }

 private:
  SyncError(Case c, std::string deviceID, std::int64_t found, std::int64_t supported);
  Case case_;
  std::string deviceID_;
  std::int64_t found_;
  std::int64_t supported_;
};

struct SyncDocument {
  static constexpr std::int64_t supportedSchemaVersion = 1;
  static constexpr std::string_view fileExtension = "amberloom-sync.json";

  // What a document may hold. Far above anything a Mac's catalogued settings produce, far below
  // what would hurt this Mac's memory or preference files.
  static constexpr std::size_t maximumSize = 16 * 1024 * 1024;    // bytes of the whole document
  static constexpr std::size_t maximumTextLength = 1024 * 1024;   // bytes of one text, key or Base64 data
  static constexpr std::size_t maximumNesting = 64;               // dictionaries and arrays inside a value

  std::string deviceID;
  std::optional<std::string> deviceName;  // absent in documents that carry none
  PreferenceValue::Dictionary intents;    // setting id to that setting's value

  bool operator==(const SyncDocument&) const = default;

  // The name the user knows this Mac by (see shownDeviceName): the device name, a placeholder for
  // one that shows nothing, the device id when there is none.
  std::string displayName() const { return shownDeviceName(deviceName, deviceID); }
  // "<deviceID>.amberloom-sync.json".
  std::string fileName() const;

  // The file's bytes. Every intent whose value has no JSON form (a non-finite double) or exceeds
  // the limits above is left out, of the checksum too. Throws JsonWriteError for text (a value, a
  // key, the device id or name) that is not well-formed UTF-8.
  std::string encoded() const;

  // Reads a document. Throws SyncError: unreadable for anything that is not a well-formed document
  // within the limits above (the decoder's own error is dropped); then unsupportedSchemaVersion
  // for a schema newer than 1 (the checksum is not examined); then checksumMismatch.
  static SyncDocument fromData(std::string_view data);

  // Whether a setting id and its value can go into a document and be read back by another Mac.
  static bool isShareable(const std::string& settingID, const PreferenceValue& value);
};

}  // namespace amberloom
