#pragma once
// A restore awaiting the user's confirmation. Its sentences are the wizard's texts and are
// defined with them (FirstRunTexts.cpp).

#include <QString>
#include <vector>

#include "Backup/BackupEnvelope.hpp"
#include "Guided/RestorePlan.hpp"

namespace amberloom::ui {

struct PendingRestore {
  BackupEnvelope envelope;
  RestorePlan plan;
  // One per protection of the plan: ticked to come over too. None is ticked until the user does.
  std::vector<bool> bringsProtection = std::vector<bool>(plan.protections.size(), false);

  // The backup's name as the screens show it (see BackupEnvelope::displayName and macName).
  QString deviceName() const;
  // What the restore writes: the plan's incoming entries, less the protections left out.
  std::vector<SettingRef> chosen() const;
  // The confirmation's message: three paragraphs separated by a blank line, then one on the
  // values that cannot be read here and one naming the protections, when there are any. Its
  // counts are those of what the restore writes.
  QString summary() const;
  bool operator==(const PendingRestore&) const = default;
};

}  // namespace amberloom::ui
