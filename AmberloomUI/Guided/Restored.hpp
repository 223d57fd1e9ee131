#pragma once
// What the last restore did: the Mac it brought settings over from and its report.

#include <optional>
#include <string>

#include "Backup/BackupService.hpp"

namespace amberloom::ui {

struct Restored {
  std::string deviceID;
  std::optional<std::string> deviceName;
  std::optional<RestoreReport> report;  // none in practice mode
  bool operator==(const Restored&) const = default;
};

}  // namespace amberloom::ui
