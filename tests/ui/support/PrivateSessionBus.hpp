#pragma once
// A session bus of the test's own (a dbus-daemon on a socket in the test's home), made the
// process's session bus, with a stand-in for the desktop portal's settings on it. The stand-in
// answers "color-scheme" with `value` as the portal does (a variant inside a variant), or holds
// every call it gets unanswered, introspection included, as a portal that hangs at login does,
// until told to answer.

#ifdef AMBERLOOM_HAS_DBUS

#include <sys/types.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace amberloom::testing {

class PortalStandIn : public QDBusVirtualObject {
 public:
  std::atomic<uint> value = 0;
  // While true, calls are kept unanswered.
  std::atomic<bool> holdsCalls = false;

  // The calls held so far, of any member.
  std::size_t heldCount() const;
  // Answers every held "Read" with `value` (and every other held call with an error).
  void answerHeld(const QDBusConnection& connection);

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

 private:
  QDBusMessage answer(const QDBusMessage& call) const;

  mutable std::mutex mutex_;
  std::vector<QDBusMessage> held_;
};

class PrivateSessionBus {
 public:
  PrivateSessionBus();
  ~PrivateSessionBus();

  bool running() const { return daemon_ > 0 && connection_ && connection_->isConnected(); }
  PortalStandIn& portal() { return portal_; }
  void answerHeld() { portal_.answerHeld(*connection_); }
  // Announces a new "color-scheme" value, as the portal does when the user changes it.
  void announce(uint value);

 private:
  pid_t daemon_ = -1;
  PortalStandIn portal_;
  std::unique_ptr<QDBusConnection> connection_;
};

}  // namespace amberloom::testing

#endif
