#pragma once
// How a setting is edited: a choice of labelled values, a slider, a toggle, a text field, a
// colour picker, a folder chooser, or nothing (unsupported). The catalogue writes a control in a
// compact JSON form (`RawControlSpec`) that is resolved against the setting's value type.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Support/ErrorDescription.hpp"
#include "Support/Json.hpp"
#include "Preferences/PreferenceValue.hpp"
#include "Catalog/SettingValueType.hpp"

namespace amberloom {

struct ControlOption {
  PreferenceValue value;  // its kind fits the setting's type
  std::string label;
  bool operator==(const ControlOption&) const = default;
};

struct ControlRange {
  double min = 0;
  double max = 0;   // min < max after resolution
  double step = 1;  // taken as written: zero, negative or oversized steps pass
  bool operator==(const ControlRange&) const = default;
};

class SettingControl {
 public:
  enum class Kind { choice, slider, toggle, text, color, folder, unsupported };

  static SettingControl choice(std::vector<ControlOption> options) { return SettingControl(Kind::choice, std::move(options), {}); }
  static SettingControl slider(ControlRange range) { return SettingControl(Kind::slider, {}, range); }
  static SettingControl toggle() { return SettingControl(Kind::toggle); }
  static SettingControl text() { return SettingControl(Kind::text); }
  static SettingControl color() { return SettingControl(Kind::color); }
  static SettingControl folder() { return SettingControl(Kind::folder); }
  static SettingControl unsupported() { return SettingControl(Kind::unsupported); }
  // The control a value type gets when the catalogue names none.
  static SettingControl defaultFor(SettingValueType type);

  Kind kind() const { return kind_; }
  const std::vector<ControlOption>& options() const { return options_; }  // choice only
  const ControlRange& range() const { return range_; }                     // slider only
  static const char* kindName(Kind kind);  // "choice", "slider", ...

  // Whether the control admits the value: a choice only one of its option values (same kind and
  // payload, so an int 1 never matches a double 1.0); a slider an int or double within its bounds,
  // both inclusive, step not consulted; every other control anything.
  bool accepts(const PreferenceValue& value) const;
  // The display text beside a setting: "not set" for no value, a matching choice's label, else the
  // value by kind ("on"/"off", decimal numbers, the string itself, "…" for containers, data and
  // dates). Never fails, also for infinite, NaN or huge doubles.
  std::string describe(const std::optional<PreferenceValue>& value) const;

  bool operator==(const SettingControl& other) const;

 private:
  explicit SettingControl(Kind kind, std::vector<ControlOption> options = {}, ControlRange range = {})
      : kind_(kind), options_(std::move(options)), range_(range) {}
  Kind kind_;
  std::vector<ControlOption> options_;
  ControlRange range_;
};

class ControlError : public DescribedError {
 public:
  enum class Case { emptyChoiceList, choiceTypeMismatch, invertedRange, unknownControl };

  static ControlError emptyChoiceList(std::string settingID);
  static ControlError choiceTypeMismatch(std::string settingID);
  static ControlError invertedRange(std::string settingID);
  static ControlError unknownControl(std::string settingID, std::string kind);

  Case errorCase() const { return case_; }
  const std::string& settingID() const { return settingID_; }
  const std::string& kind() const { return kind_; }  // unknownControl only
  bool operator==(const ControlError& other) const {
    return case_ == other.case_ && settingID_ == other.settingID_ && kind_ == other.kind_;
  }

 private:
  ControlError(Case c, std::string settingID, std::string kind, const std::string& description)
      : DescribedError(description), case_(c), settingID_(std::move(settingID)), kind_(std::move(kind)) {}
  Case case_;
  std::string settingID_;
  std::string kind_;
};

// An untyped JSON scalar of choice values, recipe values and control settings. Read as a boolean,
// then a 64-bit integer, then a double, then a string; null, arrays and objects fail.
class RawScalar {
 public:
  using Storage = std::variant<bool, std::int64_t, double, std::string>;
  static RawScalar fromJson(const Json& json, const CodingPath& path = {});
  explicit RawScalar(Storage value) : value_(std::move(value)) {}

  const Storage& value() const { return value_; }
  // The scalar as a value of `type`: bool->bool, int->int, double->double, int->double,
  // string->string; none for every other pair (never text to number, never int to bool).
  std::optional<PreferenceValue> preferenceValue(SettingValueType type) const;
  bool operator==(const RawScalar&) const = default;

 private:
  Storage value_;
};

// The control as the catalogue writes it: a plain name, or an object with "choice" and/or "slider".
struct RawControlSpec {
  struct RawOption {
    RawScalar value;
    std::string label;
  };
  struct RawRange {
    double min = 0, max = 0;
    std::optional<double> step;
  };

  std::optional<std::string> simple;
  std::optional<std::vector<RawOption>> choice;
  std::optional<RawRange> slider;

  // Throws DecodingError for a control that is neither a string nor an object, or whose "choice"
  // or "slider" content does not decode.
  static RawControlSpec fromJson(const Json& json, const CodingPath& path = {});
  // Throws ControlError; `settingID` only names the setting in the error.
  SettingControl resolve(const std::string& settingID, SettingValueType type) const;
};

}  // namespace amberloom
