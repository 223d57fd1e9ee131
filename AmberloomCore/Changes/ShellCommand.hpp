#pragma once
// The text of `defaults` commands for catalogue settings: the one-line write and delete of a
// setting, the lines that restart its apps, and the bash script that puts a set of chosen values
// back on another Mac. Builds text only; runs and reads nothing. Every operation is pure.

#include <optional>
#include <string>
#include <vector>

#include "Preferences/PreferenceValue.hpp"
#include "Catalog/SettingsCatalog.hpp"

namespace amberloom {

class ShellCommand {
 public:
  struct Item {
    SettingDefinition setting;
    PreferenceValue value;
  };

  ShellCommand() = delete;

  // "defaults [-currentHost ]write <domain> <key> <flag> <value>". None for a Night Shift setting,
  // a key path of other than one element, a value of kind data, date, dictionary or array, or a
  // word holding a NUL character or longer than 128 KiB less one byte (no command line can carry
  // either). The flag follows the value's kind, not the setting's type; the domain is written as
  // the catalogue names it.
  static std::optional<std::string> write(const SettingDefinition& setting, const PreferenceValue& value);
  // "defaults [-currentHost ]delete <domain> <key>"; none in the same cases as `write`.
  static std::optional<std::string> deleteCommand(const SettingDefinition& setting);
  // "killall <app> || true" per entry of `restartsApps`, in order, repeats kept.
  static std::vector<std::string> restarts(const SettingDefinition& setting);
  // The exported bash script: a header, then per setting (by id) a "# <label>" line and its write
  // command, then the restart lines and the ids that have no one-line command. Comment lines never
  // carry a control character or line break (each becomes a blank), so no label or id can add a
  // line of its own to the script. Ends with a line feed. `generatedOn` is seconds since the
  // 2001-01-01T00:00:00Z reference date.
  static std::string script(const std::vector<Item>& items, double generatedOn);

  // One shell word: bare when not empty, not starting with "-", and made only of letters, marks,
  // digits (Unicode categories L, M, N) and ".", "_", "-", "/"; otherwise single-quoted, each
  // single quote inside becoming '\''.
  static std::string quoted(const std::string& word);
  // The shortest fixed-notation text (no exponent) that reads back as exactly `value`: 1.5, 2,
  // 0.125, 0.1234567, 0.0000001, -0.5.
  static std::string decimal(double value);

 private:
  // The type flag and value of a write ("-bool true", "-int -3", ...); none for a kind with no
  // one-line form or a string that cannot be one argument.
  static std::optional<std::string> argument(const PreferenceValue& value);
};

}  // namespace amberloom
