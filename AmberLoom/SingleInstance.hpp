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

  // Claims `home` for this process, for as long as the result lives. None when a running process
  // holds it. A lock that cannot be made at all (no writable runtime folder) guards nothing: the
  // start goes on rather than never opening a window. Call it once a Qt application object exists.
  static std::unique_ptr<SingleInstance> claim(const std::string& home);
  // Asks the process holding `home` to bring its window forward; false when none answered in time.
  static bool askToShow(const std::string& home);

  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

 signals:
  // Another start of this home asked for the window.
  void showRequested();

 private:
  SingleInstance(int lockFd, const std::string& socketPath);
  void answer();

  int lockFd_;
  QLocalServer* server_ = nullptr;
};

}  // namespace amberloom::app
