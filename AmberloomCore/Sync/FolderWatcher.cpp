#include "Sync/FolderWatcher.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <system_error>

#include "Support/Log.hpp"

namespace amberloom {
namespace {

using Clock = std::chrono::steady_clock;

// A folder's own entries changing, a file's contents changing, the item renamed or deleted.
constexpr std::uint32_t kWatchedEvents =
    IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF | IN_DELETE_SELF;

bool isChange(const inotify_event& event) {
  if (event.mask & IN_Q_OVERFLOW) return true;  // events were lost: assume the worst
  if ((event.mask & IN_MODIFY) && event.len > 0) return false;  // a file inside a watched folder
  return (event.mask & (kWatchedEvents | IN_UNMOUNT)) != 0;
}

}  // namespace

struct FolderWatcher::Watch {
  int notifyDescriptor = -1;
  int stopDescriptor = -1;  // readable once the owner lets go
  std::chrono::milliseconds debounce{0};
  std::function<void()> onChange;
  std::atomic<bool> stopped{false};

  ~Watch() {
    if (notifyDescriptor >= 0) ::close(notifyDescriptor);
    if (stopDescriptor >= 0) ::close(stopDescriptor);
  }

  // Reads every queued event; true when one of them is a change.
  bool drainEvents() const {
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    while (true) {
      const ssize_t length = ::read(notifyDescriptor, buffer, sizeof buffer);
      if (length < 0 && errno == EINTR) continue;
      if (length <= 0) return changed;
      for (ssize_t offset = 0; offset < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
        changed = changed || isChange(*event);
        offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

  // The watcher's thread: waits for events or for the end of a quiet period, until stopped.
  void run() {
    std::optional<Clock::time_point> due;
    while (!stopped) {
      int timeout = -1;
      if (due) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
        timeout = static_cast<int>(std::max<std::int64_t>(left, 0));
      }
      pollfd descriptors[] = {{notifyDescriptor, POLLIN, 0}, {stopDescriptor, POLLIN, 0}};
      if (::poll(descriptors, 2, timeout) < 0 && errno != EINTR) return;
      if (stopped) return;
      if ((descriptors[0].revents & POLLIN) && drainEvents()) due = Clock::now() + debounce;
      if (due && Clock::now() >= *due) {
        due.reset();
        onChange();
      }
    }
  }
};

std::unique_ptr<FolderWatcher> FolderWatcher::watch(const std::string& path, int debounceMilliseconds,
                                                    std::function<void()> onChange) {
  auto watch = std::make_shared<Watch>();
  watch->notifyDescriptor = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  watch->stopDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (watch->notifyDescriptor < 0 || watch->stopDescriptor < 0 ||
      ::inotify_add_watch(watch->notifyDescriptor, path.c_str(), kWatchedEvents) < 0)
    return nullptr;
  watch->debounce = std::chrono::milliseconds(std::max(debounceMilliseconds, 0));
  watch->onChange = std::move(onChange);
  try {
    // The thread holds the shared state itself, so a watcher released from inside its own
    // handler leaves the thread something valid to finish with.
    std::thread thread([watch] { watch->run(); });
    return std::unique_ptr<FolderWatcher>(new FolderWatcher(watch, std::move(thread)));
  } catch (const std::system_error&) {
    log::dropped(log::Area::sync, "No thread can watch the backup folder for changes");
    return nullptr;
  }
}

FolderWatcher::FolderWatcher(std::shared_ptr<Watch> watch, std::thread thread)
    : watch_(std::move(watch)), thread_(std::move(thread)) {}

FolderWatcher::~FolderWatcher() {
  watch_->stopped = true;
  const std::uint64_t one = 1;
  while (::write(watch_->stopDescriptor, &one, sizeof one) < 0 && errno == EINTR) {
  }
  if (thread_.get_id() == std::this_thread::get_id())
    thread_.detach();
  else
    thread_.join();
}

}  // namespace amberloom
