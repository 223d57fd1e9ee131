#pragma once
// A catalogue file as decoded, before any validation: the top level and one record per setting
// in file order, optional keys still absent where the file leaves them out (or gives null), and
// unknown keys ignored. SettingsCatalog validates these records into settings.
//
// Two readers give the same records. `decode` works on the JSON tree and throws the decoder's
// errors. `readWellFormed` reads straight from the parser's events without building a tree, which
// is most of the load time of a large file; it gives none at the first thing it does not expect
// (malformed text, a wrong type, a missing or repeated key), leaving the exact error to `decode`.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Catalog/SettingControl.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/Version.hpp"

namespace amberloom {

struct RawSetting {
  std::string id, domain;
  std::vector<std::string> path;
  std::string type, label;
  bool byHost = false;
  std::vector<std::string> restart;
  std::optional<Version> osMin, osMax, minAppVersion;
  std::vector<Version> brokenOn;
  std::optional<RawControlSpec> control;
  std::optional<std::string> channel;
  bool effectUnverified = false, systemWritten = false, asksBeforeSync = false;
  std::optional<SettingText> text;  // the level already read (an unknown level is basic)
  std::optional<std::string> exposure, risk, tier;
};

struct RawCatalog {
  std::int64_t schemaVersion = 0;
  std::int64_t catalogVersion = 0;  // 0 when absent
  std::vector<RawSetting> settings;

  // The records of a well-formed file, or the first decoding fault as a DecodingError.
  static RawCatalog read(std::string_view bytes);
  // Throws DecodingError: malformed JSON, a required key missing or null, a wrong JSON type, a
  // version text that does not parse ("gecersiz surum: ...").
  static RawCatalog decode(std::string_view bytes);
  // None whenever the file is not plainly well formed; never throws a decoding fault.
  static std::optional<RawCatalog> readWellFormed(std::string_view bytes);
};

}  // namespace amberloom
