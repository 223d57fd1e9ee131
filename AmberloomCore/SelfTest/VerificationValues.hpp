#pragma once
// The test values of the self-test kit: for a setting id, the scalar value the verification
// runner writes and then expects another process to see. A plain lookup: it never consults the
// catalogue, so unknown ids are kept and no value is checked against a setting's declared type.
// Loaded from the built-in "verification_values" resource, or built in memory (control settings).

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Support/ErrorDescription.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct VerificationValue {
  std::string id;
  PreferenceValue value;     // bool, int, double or string when loaded from the resource
  bool expandTilde = false;  // a leading "~" of a string value stands for the home directory

  // The value to write: with expandTilde and a string starting with "~", that first character
  // replaced by `homeDirectory` (no separator added or checked); otherwise `value` unchanged.
  PreferenceValue resolvedValue(const std::string& homeDirectory) const;
  bool operator==(const VerificationValue&) const = default;
};

// A faulty entry of the resource, named by its "id" with its "type" text exactly as written.
class VerificationValuesError : public DescribedError {
 public:
  enum class Case { unknownValueType, unsupportedValueType, valueDoesNotMatchType };

  static VerificationValuesError unknownValueType(std::string settingID, std::string type);
  // "dictionary" or "array": such settings cannot have a test value.
  static VerificationValuesError unsupportedValueType(std::string settingID, std::string type);
  // "value" missing or not readable as the type; `detail` (described when not empty) says where
  // and why, as the decoder found it.
  static VerificationValuesError valueDoesNotMatchType(std::string settingID, std::string type,
                                                       std::string detail = {});

  Case errorCase() const { return case_; }
  const std::string& settingID() const { return settingID_; }
  const std::string& type() const { return type_; }
  const std::string& detail() const { return detail_; }
  bool operator==(const VerificationValuesError& other) const {
    return case_ == other.case_ && settingID_ == other.settingID_ && type_ == other.type_ && detail_ == other.detail_;
  }

 private:
  VerificationValuesError(Case c, std::string settingID, std::string type, std::string detail = {});
  Case case_;
  std::string settingID_;
  std::string type_;
  std::string detail_;
};

class VerificationValues {
 public:
  using Table = std::map<std::string, VerificationValue>;

  VerificationValues() = default;
  // Wraps the table unchanged, no checks.
  explicit VerificationValues(Table byID) : byID_(std::move(byID)) {}

  // {"values": [{"id", "type", "value", "expandTilde"?}, ...]}. The whole load fails on the first
  // fault: DecodingError for malformed JSON or a missing/mistyped "values", "id", "type" or
  // "expandTilde"; VerificationValuesError for the type and value faults. A later entry with the
  // same id replaces the earlier one.
  static VerificationValues fromData(std::string_view bytes);
  // The built-in "verification_values" resource; also throws ResourceError when it is missing.
  static VerificationValues bundled();

  // None for an id without a test value.
  std::optional<VerificationValue> value(const std::string& settingID) const;
  const Table& byID() const { return byID_; }
  bool operator==(const VerificationValues&) const = default;

 private:
  Table byID_;
};

}  // namespace amberloom
