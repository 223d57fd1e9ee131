#pragma once
// What every model that writes or shows this Mac's settings shares: whether this is practice mode,
// where batches store their undo points, who confirms a write from outside the process, the
// application's own preferences, the change notice and the clock. The application fills one in at
// start and hands it to each model's `live(...)` factory; a test fills in its own.

#include <functional>
#include <memory>

#include "Changes/SnapshotHistory.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Preferences/ExternalPreferenceReader.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom::ui {

struct ModelContext {
  using Clock = std::function<double()>;  // seconds since the reference date

  // Practice mode: batches and changes are shown as made but nothing is written, recorded or sent.
  bool isDryRun = false;
  // The undo points: each model keeps a copy, over the one folder.
  SnapshotHistory history;
  // Reads a written key back from outside the process (the `defaults` command in the application).
  std::shared_ptr<const ExternalPreferenceReader> verifier{};
  // The application's own preferences: selections, filters, sync switches.
  UserDefaultsRef defaults{};
  // None: each model on its own, heard by nobody.
  ChangeNoticeRef notice{};
  Clock clock = iso8601::now;
};

}  // namespace amberloom::ui
