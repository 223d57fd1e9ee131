#pragma once
// Watches one folder (or file) and calls a handler once per burst of changes, after a quiet
// period: every change restarts the period, and the handler runs once it has passed without one.
//
// Changes are entries added to, removed from or renamed within a watched folder, writes to a
// watched file, and the watched item itself being renamed or deleted. After a deletion the
// watcher keeps running but sees nothing more: it never opens the path again.
//
// The handler runs on the watcher's own thread, never on the caller's; a caller that updates a
// user interface must hand over to its thread itself.

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace amberloom {

class FolderWatcher {
 public:
  // Watching `path` from the moment it returns; none when the path cannot be watched (absent,
  // unreadable, or the system's watches are used up). Never throws.
  static std::unique_ptr<FolderWatcher> watch(const std::string& path, int debounceMilliseconds,
                                              std::function<void()> onChange);

  // Stops watching: a call still waiting for its quiet period is dropped, and once this returns
  // the handler is not called again. May be called from inside the handler.
  ~FolderWatcher();
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;

 private:
  struct Watch;  // what the thread shares with the owner
  FolderWatcher(std::shared_ptr<Watch> watch, std::thread thread);
  std::shared_ptr<Watch> watch_;
  std::thread thread_;
};

}  // namespace amberloom
