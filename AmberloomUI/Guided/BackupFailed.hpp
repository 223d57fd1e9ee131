#pragma once
// Why the last backup or restore failed.

#include <string>

namespace amberloom::ui {

struct BackupFailed {
  std::string message;
  bool operator==(const BackupFailed&) const = default;
};

}  // namespace amberloom::ui
