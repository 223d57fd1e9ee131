#pragma once
// Decisions the user made on this Mac that the change history's values cannot say: a batch taken
// back (an Undo, a point of Recent changes, an undo of the login-time copy) and a copy from
// another Mac the user saw and left unticked. Each holds its setting against other Macs' values:
// nothing copies it unattended until the user ticks it and the copy is confirmed, which releases
// it. No clock decides anything here; the time is kept only to be shown.
//
// Kept beside the change history as "held-settings.json": {"held": [{"settingID", "why", "at"}]},
// "why" being "tookBack" or "declined"; unknown members and kinds are kept as a hold. Changes are
// made under the advisory lock of the folder and written atomically, so that the window and the
// login-time run lose nothing of each other's. Copies may be used from any thread at once.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace amberloom {

struct SettingHold {
  enum class Why { tookBack, declined };
  Why why = Why::tookBack;
  double at = 0;  // seconds since the reference date

  bool operator==(const SettingHold&) const = default;
};

class HeldSettings {
 public:
  using Clock = std::function<double()>;  // seconds since the reference date
  using Holds = std::map<std::string, SettingHold>;

  static constexpr const char* fileName = "held-settings.json";

  HeldSettings(std::string path, Clock clock);

  const std::string& path() const { return path_; }

  // Every hold by setting id; empty when there is no file; none when the file exists but cannot be
  // read as holds, which callers take as every setting held. Never throws.
  std::optional<Holds> all() const;
  // Holds each setting for `why` (a later hold replaces an earlier one). Throws HistoryWriteError
  // (see IntentLog) when it could not be stored; an unreadable file is never replaced.
  void hold(const std::vector<std::string>& settingIDs, SettingHold::Why why) const;
  // Lets the settings go; nothing is written when none of them is held. Throws HistoryWriteError.
  void release(const std::vector<std::string>& settingIDs) const;

 private:
  void change(const std::function<bool(Holds&)>& edit) const;

  std::string path_;
  Clock clock_;
};

}  // namespace amberloom
