#pragma once
// What the controls of one setting show and what they hand over, worked out without a window:
// how a current value reads in a switch, a slider, a text field, a colour well and a folder line,
// and how a flip, a slider position, a typed draft or a picked colour becomes the value of the
// setting's kind. Pure functions; none throws. A value of a kind the control does not expect
// reads as the control's neutral state (off, the range's minimum, empty text, no colour).

#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingControl.hpp"
#include "Catalog/SettingValueType.hpp"
#include "Preferences/ColorValue.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom::ui::SettingControlInput {

using Value = std::optional<PreferenceValue>;

// ---- toggle ----
// bool(b): b; int(n): n is not 0; anything else or none: off.
bool switchState(const Value& value);
// bool for a bool setting, int 1/0 for an int setting; none for any other type.
std::optional<PreferenceValue> toggled(SettingValueType type, bool on);

// ---- slider ----
// int(n) as a double, double(d); anything else or none: the range's minimum.
double numberReading(const Value& value, const ControlRange& range);
// The number reading clamped into the range (a NaN reading shows the minimum).
double knobPosition(const Value& value, const ControlRange& range);
// The value a slider position hands over: snapped to the step's grid (counted from zero, halves
// away from zero, written with no more decimal places than the step has) when the step is
// positive and fine enough to count the position in, kept within [min, max], and for an int
// setting the nearest whole number within the range. The position itself may lie anywhere.
PreferenceValue sliderValue(SettingValueType type, const ControlRange& range, double position);
// Where an unset slider starts: the middle of the range, as a position there would hand it over.
// macOS keeps its own default to itself, so a first step moves from a place the slider states.
double startingNumber(SettingValueType type, const ControlRange& range);
// Where `steps` presses of an arrow key put the slider: the knob (the starting number while
// unset) moved by that many steps of the grid (by 1 on an int slider without a grid, by 0.1 on any
// other), so that the snapped value always moves on until the range ends.
double nudgedPosition(SettingValueType type, const ControlRange& range, const Value& value, int steps);
// The value label, from the unclamped number reading: an int setting's whole number, else two
// decimals when the step is below 0.1 and one otherwise. A reading that is not finite shows "–";
// an int reading beyond the 64-bit range shows its digits without a fraction.
std::string sliderLabel(SettingValueType type, const ControlRange& range, const Value& value);

// ---- choice ----
// The position of the first option equal to `value`; -1 for none, no match or no options.
int selectedIndex(const std::vector<ControlOption>& options, const Value& value);

// ---- text ----
// string(s): s; int and double as decimal text; anything else or none: the empty string.
std::string textReading(const Value& value);
// The value a committed draft hands over, none when it would hand nothing: an int setting takes
// the trimmed draft as a base-10 64-bit integer, a double setting as a finite real, every other
// type the draft as typed (line breaks and control characters included). None when the draft
// does not parse, or when it reads as the current value (equal text, or an equal number).
std::optional<PreferenceValue> committedText(SettingValueType type, const Value& current, const std::string& draft);

// ---- colour ----
// The colour a string value holds; none for anything else or a string that does not parse.
std::optional<ColorValue> shownColour(const Value& value);
// The string a picked colour hands over: each component clamped into 0...1 (a NaN as 0), with
// the name of the current colour when it has one.
PreferenceValue pickedColour(double red, double green, double blue, const Value& current);
// The current colour's name when it has a non-empty one; none otherwise.
std::optional<std::string> colourName(const Value& value);

// ---- folder ----
// The folder a non-empty string value names, with `home` (no trailing "/") shortened to "~";
// none for anything else or the empty string.
std::optional<std::string> folderText(const Value& value, const std::string& home);

}  // namespace amberloom::ui::SettingControlInput
