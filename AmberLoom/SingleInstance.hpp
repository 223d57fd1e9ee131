#pragma once
// One windowed application per home. The first start takes a lock file in the user's runtime
// folder and listens on a local socket beside it; a later start with the same home finds the lock
// taken, asks the running application over the socket to bring its window forward, and ends. The
// lock is the kernel's (flock), so a process that was killed holds it no longer, and the next start
// takes it over along with the socket file left behind. The key comes from the home itself, so
// homes that share a runtime folder (tests, two Macs on one machine) never meet. Headless runs
// (the read-back, sync at login) never take the lock: they run beside a window.

#include <QObject>
#include <memory>
#include <optional>
#include <string>

class QLocalServer;

namespace amberloom::app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The same for every spelling of one home (through links, with "..", a trailing slash).
  static std::string keyOf(const std::string& home);
  // $XDG_RUNTIME_DIR when it names a folder, else the temporary folder.
  static std::string runtimeFolder();

  // The lock alone, which needs nothing of Qt: a start takes it before it reads or sweeps anything
  // of the home, and listens once its Qt application object exists.
  class Lock {
   public:
    // None when a running process holds `home`. A lock that cannot be made at all (no writable
    // runtime folder) guards nothing: the start goes on rather than never opening a window.
    static std::optional<Lock> take(const std::string& home);
    Lock(Lock&& other) noexcept;
    Lock& operator=(Lock&& other) noexcept;
    ~Lock();

   private:
    friend class SingleInstance;
    Lock(int fd, std::string home) : fd_(fd), home_(std::move(home)) {}
    int fd_;
    std::string home_;
  };

  // Claims `home` for this process, for as long as the result lives: takes its lock and listens.
  // None when a running process holds it. Call it once a Qt application object exists.
  static std::unique_ptr<SingleInstance> claim(const std::string& home);
  // Listens for later starts of the lock's home, holding the lock for as long as the result lives.
  // Call it once a Qt application object exists.
  static std::unique_ptr<SingleInstance> listen(Lock lock);
  // Asks the process holding `home` to bring its window forward; false when none answered in time.
  // A holder that does not listen yet is asked again until it does, for as long as it holds `home`.
  static bool askToShow(const std::string& home);

  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

 signals:
  // Another start of this home asked for the window.
  void showRequested();

 private:
  explicit SingleInstance(Lock lock);
  void answer();

  Lock lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace amberloom::app
