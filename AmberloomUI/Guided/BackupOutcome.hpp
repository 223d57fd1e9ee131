#pragma once
// What the last backup or restore did.

#include <variant>

#include "Guided/BackedUp.hpp"
#include "Guided/BackupFailed.hpp"
#include "Guided/Restored.hpp"

namespace amberloom::ui {

using BackupOutcome = std::variant<BackedUp, Restored, BackupFailed>;

}  // namespace amberloom::ui
