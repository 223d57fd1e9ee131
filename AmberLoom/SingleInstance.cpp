#include "AmberLoom/SingleInstance.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

#include "Support/Sha256.hpp"
#include "Support/WaitLimit.hpp"

namespace amberloom::app {

namespace {

constexpr const char* kShow = "show\n";
constexpr const char* kShown = "shown\n";
// How long a later start waits for the running one to take its call and to answer it: it may be
// busy finishing its own start. The environment may set both (Support/WaitLimit.hpp).
constexpr std::chrono::milliseconds kConnectLimit{3000};
constexpr std::chrono::milliseconds kAnswerLimit{10000};
// How often a later start looks again for the socket of a start that holds the lock but does not
// listen yet (it listens once its window is being compiled, a few milliseconds in).
constexpr std::chrono::milliseconds kListenPoll{5};

// The limit in force, in the milliseconds Qt's sockets take.
int socketWait(std::chrono::milliseconds standard) {
  return static_cast<int>(
      std::min<long long>(waitLimit(kSecondStartLimitVariable, standard).count(), std::numeric_limits<int>::max()));
}

std::string pathOf(const std::string& home, const char* suffix) {
  return SingleInstance::runtimeFolder() + "/amberloom-" + SingleInstance::keyOf(home) + suffix;
}

// Whether a process holds `home`'s lock now.
bool isHeld(const std::string& home) {
  const int fd = ::open(pathOf(home, ".lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int shared;
  while ((shared = ::flock(fd, LOCK_SH | LOCK_NB)) != 0 && errno == EINTR) {
  }
  const bool held = shared != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // gives back the shared lock, if it was had
  return held;
}

}  // namespace

std::string SingleInstance::keyOf(const std::string& home) {
  std::error_code error;
  auto path = std::filesystem::weakly_canonical(std::filesystem::path(home), error);
  if (error) path = std::filesystem::path(home).lexically_normal();
  std::string text = path.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return sha256Hex(text).substr(0, 24);
}

std::string SingleInstance::runtimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code error;
  if (runtime && *runtime == '/' && std::filesystem::is_directory(runtime, error)) return runtime;
  return std::filesystem::temp_directory_path(error).string();
}

std::optional<SingleInstance::Lock> SingleInstance::Lock::take(const std::string& home) {
  // Not inherited: a child that outlives the application must not keep its home taken.
  const int fd = ::open(pathOf(home, ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) {
    int locked;
    while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      ::close(fd);
      return std::nullopt;
    }
  }
  return Lock(fd, home);
}

SingleInstance::Lock::Lock(Lock&& other) noexcept : fd_(std::exchange(other.fd_, -1)), home_(std::move(other.home_)) {}

SingleInstance::Lock& SingleInstance::Lock::operator=(Lock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    home_ = std::move(other.home_);
  }
  return *this;
}

SingleInstance::Lock::~Lock() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<SingleInstance> SingleInstance::claim(const std::string& home) {
  auto lock = Lock::take(home);
  return lock ? listen(std::move(*lock)) : nullptr;
}

std::unique_ptr<SingleInstance> SingleInstance::listen(Lock lock) {
  return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock)));
}

SingleInstance::SingleInstance(Lock lock) : lock_(std::move(lock)) {
  // Without a lock file there is no one to hold the socket for either.
  if (lock_.fd_ < 0) return;
  const QString socketPath = QString::fromStdString(pathOf(lock_.home_, ".socket"));
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Holding the lock, whatever socket file is there was left by a process that is gone.
  QLocalServer::removeServer(socketPath);
  if (!server_->listen(socketPath)) return;  // later starts then find no one to ask
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

void SingleInstance::answer() {
  while (QLocalSocket* caller = server_->nextPendingConnection()) {
    connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
    connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
      if (!caller->canReadLine()) return;
      if (caller->readLine() != kShow) {
        caller->disconnectFromServer();
        return;
      }
      caller->write(kShown);
      caller->flush();
      caller->disconnectFromServer();
      emit showRequested();
    });
  }
}

bool SingleInstance::askToShow(const std::string& home) {
  const QString socketPath = QString::fromStdString(pathOf(home, ".socket"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(socketWait(kConnectLimit));
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(socketPath);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (socket.waitForConnected(static_cast<int>(std::max<long long>(left.count(), 0)))) break;
    // The running start takes its lock before it listens: while it holds the lock, a socket that
    // is not there yet (or is one its predecessor left) is one it is about to open.
    const bool notListeningYet = socket.error() == QLocalSocket::ServerNotFoundError ||
                                 socket.error() == QLocalSocket::ConnectionRefusedError;
    if (!notListeningYet || !isHeld(home) || std::chrono::steady_clock::now() >= deadline) return false;
    socket.abort();
    // Nothing announces the socket: asked again shortly, which only a start that raced ours waits for.
    std::this_thread::sleep_for(kListenPoll);
  }
  socket.write(kShow);
  if (!socket.waitForBytesWritten(socketWait(kConnectLimit))) return false;
  while (!socket.canReadLine())
    if (!socket.waitForReadyRead(socketWait(kAnswerLimit))) return false;
  return socket.readLine() == kShown;
}

}  // namespace amberloom::app
