#include "DesktopSession.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "Platform/ProcessRunner.hpp"

namespace amberloom::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Starts `arguments` with `environment` set on top of this process's, its output and errors added
// to the file `errorPath` (when not empty), in a process group of its own so that what it starts is
// stopped with it.
pid_t spawn(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
            const std::string& errorPath) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("cannot fork");
  if (pid == 0) {
    ::setpgid(0, 0);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    if (!errorPath.empty()) {
      const int error = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (error >= 0) {
        ::dup2(error, STDERR_FILENO);
        ::dup2(error, STDOUT_FILENO);
      }
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Ends the process group of `pid` and reaps it; its exit status.
int stopGroup(pid_t pid) {
  ::kill(-pid, SIGTERM);
  int status = 0;
  for (int waited = 0; waited < 50; ++waited) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ::usleep(100'000);
  }
  ::kill(-pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return 128 + SIGKILL;
}

// The first line that `pid` writes to `fd`, within `limit`.
std::string firstLine(int fd, std::chrono::milliseconds limit, const char* what) {
  std::string line;
  const auto deadline = Clock::now() + limit;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd wait{fd, POLLIN, 0};
    char c;
    if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) <= 0 || ::read(fd, &c, 1) != 1)
      throw std::runtime_error(std::string(what) + " did not start: " + line);
    line.push_back(c);
  }
  line.pop_back();
  return line;
}

}  // namespace

// The accessibility bus and the application's place on it. The tree is read a level at a time,
// every question about the level's elements asked at once: the application answers them in turn
// without waiting for this process between two.
struct DesktopSession::Accessibility {
  QDBusConnection bus{QString()};
  QString service;
  QString root;

  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments = {}) {
    return callEach({path}, interface, method, arguments).front();
  }

  // The answers of every element of `paths` to `method`, in the paths' order; a few hundred
  // questions at a time, well within what the bus lets one connection have open.
  std::vector<QDBusMessage> callEach(const std::vector<QString>& paths, const QString& interface,
                                     const QString& method, const QVariantList& arguments = {}) {
    constexpr std::size_t kAtOnce = 256;
    std::vector<QDBusMessage> replies;
    replies.reserve(paths.size());
    for (std::size_t from = 0; from < paths.size(); from += kAtOnce) {
      std::vector<QDBusPendingCall> pending;
      for (std::size_t i = from; i < std::min(paths.size(), from + kAtOnce); ++i) {
        auto message = QDBusMessage::createMethodCall(service, paths[i], interface, method);
        message.setArguments(arguments);
        pending.push_back(bus.asyncCall(message, 30000));
      }
      for (auto& call : pending) {
        call.waitForFinished();
        replies.push_back(call.reply());
      }
    }
    return replies;
  }

  static bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
  }

  static std::vector<QString> childrenIn(const QDBusMessage& reply) {
    std::vector<QString> paths;
    if (!answered(reply)) return paths;
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      QString owner;
      QDBusObjectPath child;
      list.beginStructure();
      list >> owner >> child;
      list.endStructure();
      paths.push_back(child.path());
    }
    list.endArray();
    return paths;
  }

  // The children of every element of `paths`, one list after the other.
  std::vector<QString> childrenOf(const std::vector<QString>& paths) {
    std::vector<QString> all;
    for (const auto& reply : callEach(paths, QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("GetChildren")))
      for (auto& child : childrenIn(reply)) all.push_back(std::move(child));
    return all;
  }

  // The elements' states, as at-spi numbers them: bit n of the first word is state n.
  std::vector<quint32> statesOf(const std::vector<QString>& paths) {
    std::vector<quint32> states;
    for (const auto& reply : callEach(paths, QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("GetState"))) {
      quint32 first = 0;
      if (answered(reply)) {
        const auto words = reply.arguments().at(0).value<QDBusArgument>();
        words.beginArray();
        if (!words.atEnd()) words >> first;
        while (!words.atEnd()) {
          quint32 rest = 0;
          words >> rest;
        }
        words.endArray();
      }
      states.push_back(first);
    }
    return states;
  }

  std::vector<Element> elementsOf(const std::vector<QString>& paths) {
    const auto names = callEach(paths, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                {QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name")});
    const auto roles = callEach(paths, QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("GetRoleName"));
    const auto places = callEach(paths, QStringLiteral("org.a11y.atspi.Component"), QStringLiteral("GetExtents"),
                                 {QVariant::fromValue(uint(0))});
    std::vector<Element> found(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      if (answered(names[i])) found[i].name = names[i].arguments().at(0).value<QDBusVariant>().variant().toString();
      if (answered(roles[i])) found[i].role = roles[i].arguments().at(0).toString();
      if (answered(places[i])) {
        const auto box = places[i].arguments().at(0).value<QDBusArgument>();
        int x = 0, y = 0, w = 0, h = 0;
        box.beginStructure();
        box >> x >> y >> w >> h;
        box.endStructure();
        found[i].place = QRect(x, y, w, h);
      }
    }
    return found;
  }

  // Every element that shows, a level at a time from the top, with its state when `withStates`:
  // hidden items keep their places in the tree with no size (or off `screen`), and nothing below
  // them shows. With `hiddenToo`, every element of the tree, shown or not.
  std::vector<std::pair<Element, quint32>> shownElements(const std::optional<QRect>& screen, bool withStates,
                                                         bool hiddenToo = false) {
    std::vector<std::pair<Element, quint32>> shown;
    std::vector<QString> level = childrenOf({root});
    while (!level.empty() && shown.size() < 5000) {
      const auto elements = elementsOf(level);
      const auto states = withStates ? statesOf(level) : std::vector<quint32>(level.size(), 0);
      std::vector<QString> parents;
      for (std::size_t i = 0; i < level.size(); ++i) {
        const QRect& place = elements[i].place;
        if (!hiddenToo && (place.isEmpty() || (screen && !place.intersects(*screen)))) continue;
        shown.emplace_back(elements[i], states[i]);
        parents.push_back(level[i]);
      }
      level = childrenOf(parents);
    }
    return shown;
  }
};

// This test's own client of the desktop's X server. A Qt window answers the window manager's ping
// (_NET_WM_PING) on its thread of events, in turn with the input that reached it before the ping:
// the answer, which it sends to the root window, says that input was handled.
struct DesktopSession::XConnection {
  enum class Ping { answered, windowGone, unanswered };

  explicit XConnection(const std::string& display) {
    int screenNumber = 0;
    connection = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
      xcb_disconnect(connection);
      throw std::runtime_error("cannot reach the X server " + display);
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    root = screens.data->root;
    // The answers go to the root window, to whoever listens for its structure's changes; a window
    // made or mapped on it wakes a wait for one that answers pings.
    const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &events);
    protocols = atom("WM_PROTOCOLS");
    pingProtocol = atom("_NET_WM_PING");
  }
  ~XConnection() { xcb_disconnect(connection); }
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;

  // A top-level window that answers pings (it lists the ping among its protocols), if any.
  std::optional<xcb_window_t> pingableWindow() {
    auto* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree) return std::nullopt;
    std::optional<xcb_window_t> found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0, n = xcb_query_tree_children_length(tree); i < n && !found; ++i) {
      auto* listed = xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, children[i], protocols, XCB_ATOM_ATOM, 0, 32), nullptr);
      if (!listed) continue;
      const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(listed));
      const int count = xcb_get_property_value_length(listed) / static_cast<int>(sizeof(xcb_atom_t));
      for (int a = 0; a < count; ++a)
        if (atoms[a] == pingProtocol) found = children[i];
      std::free(listed);
    }
    std::free(tree);
    return found;
  }

  // Until a window on the root changes (made, mapped, gone) or 100 ms have passed, as a window
  // that answers pings may have appeared without a change the root hears of.
  void awaitWindowChange() {
    pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
    ::poll(&readable, 1, 100);
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
  }

  // Pings `window` and waits for the answer while `waiting()` says to, looking again at least
  // every 100 ms.
  Ping ping(xcb_window_t window, const std::function<bool()>& waiting) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = protocols;
    message.data.data32[0] = pingProtocol;
    message.data.data32[1] = ++pings;  // the time field, which the answer carries back
    message.data.data32[2] = window;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    while (true) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        const auto* answer = reinterpret_cast<const xcb_client_message_event_t*>(event);
        const bool failed = event->response_type == 0;  // the window went before the ping reached it
        const bool answered = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && answer->type == protocols &&
                              answer->data.data32[0] == pingProtocol && answer->data.data32[1] == pings;
        std::free(event);
        if (failed) return Ping::windowGone;
        if (answered) return Ping::answered;
      }
      if (xcb_connection_has_error(connection) || !waiting()) return Ping::unanswered;
      pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
      ::poll(&readable, 1, 100);
    }
  }

 private:
  xcb_atom_t atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return found;
  }

  xcb_connection_t* connection = nullptr;
  xcb_window_t root = XCB_NONE;
  xcb_atom_t protocols = XCB_NONE, pingProtocol = XCB_NONE;
  std::uint32_t pings = 0;
};

DesktopSession::DesktopSession(std::string folder) : folder_(std::move(folder)) {
  std::filesystem::create_directories(folder_ + "/run");
  ::chmod((folder_ + "/run").c_str(), 0700);
  appLogPath_ = folder_ + "/app.log";

  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("cannot make a pipe");
  xvfb_ = spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", "1280x900x24", "-dpi", "96",
                 "-nolisten", "tcp"},
                {}, folder_ + "/xvfb.log");
  ::close(pipeFds[1]);
  try {
    display_ = ":" + firstLine(pipeFds[0], std::chrono::seconds(20), "Xvfb");
  } catch (...) {
    ::close(pipeFds[0]);
    stopGroup(xvfb_);
    throw;
  }
  ::close(pipeFds[0]);

  // The bus, and the accessibility bus it starts on demand, live in this folder, not in a home.
  if (::pipe(pipeFds) != 0) throw std::runtime_error("cannot make a pipe");
  bus_ = spawn({"dbus-daemon", "--session", "--nofork", "--print-address=" + std::to_string(pipeFds[1])},
               {{"HOME", folder_}, {"XDG_RUNTIME_DIR", folder_ + "/run"}, {"DISPLAY", display_}},
               folder_ + "/bus.log");
  ::close(pipeFds[1]);
  try {
    sessionBus_ = firstLine(pipeFds[0], std::chrono::seconds(20), "the session bus");
  } catch (...) {
    ::close(pipeFds[0]);
    stopGroup(bus_);
    stopGroup(xvfb_);
    throw;
  }
  ::close(pipeFds[0]);
}

DesktopSession::~DesktopSession() {
  if (app_ > 0 && !appStatus_) stopGroup(app_);
  accessibility_.reset();
  x_.reset();
  if (bus_ > 0) stopGroup(bus_);
  if (xvfb_ > 0) stopGroup(xvfb_);
}

std::map<std::string, std::string> DesktopSession::appEnvironment(
    const std::string& home, const std::map<std::string, std::string>& environment) const {
  std::map<std::string, std::string> all = {
      {"HOME", home},
      {"DISPLAY", display_},
      {"QT_QPA_PLATFORM", "xcb"},
      {"DBUS_SESSION_BUS_ADDRESS", sessionBus_},
      {"XDG_RUNTIME_DIR", folder_ + "/run"},
      {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"},
      // Leaks are looked for by the tests that make the application in their own process.
      {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=0"},
      // Qt Quick's software renderer: a bare X server may have no OpenGL to offer.
      {"QT_QUICK_BACKEND", "software"},
  };
  for (const auto& [name, value] : environment) all[name] = value;
  return all;
}

void DesktopSession::startApp(const std::string& home, const std::map<std::string, std::string>& environment) {
  if (app_ > 0 && !appStatus_) throw std::runtime_error("the application is running already");
  const auto all = appEnvironment(home, environment);
  appStatus_.reset();
  accessibility_.reset();
  app_ = spawn({AMBERLOOM_APP_PATH}, all, appLogPath_);

  // The main window is up, then the screen reader is turned on, as a user would: the application
  // joins the accessibility bus when it is told.
  const auto shown = platform::runProcess(
      "/usr/bin/env", {"DISPLAY=" + display_, "xdotool", "search", "--sync", "--onlyvisible", "--name", "^AmberLoom$"},
      std::chrono::seconds(60));
  if (!shown || shown->exitStatus != 0) throw std::runtime_error("no main window: " + appLog());
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!connectAccessibility()) {
    if (Clock::now() > deadline || !appRunning()) throw std::runtime_error("not on the accessibility bus: " + appLog());
    QThread::msleep(200);
  }
}

bool DesktopSession::connectAccessibility() {
  static int connections = 0;
  const QString name = QStringLiteral("desktop-session-%1").arg(++connections);
  auto session = QDBusConnection::connectToBus(QString::fromStdString(sessionBus_), name);
  auto call = [&](const QString& interface, const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                  interface, method);
    message.setArguments(arguments);
    return session.call(message, QDBus::Block, 10000);
  };
  const auto address = call(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {});
  for (bool on : {false, true})
    call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
         {QStringLiteral("org.a11y.Status"), QStringLiteral("ScreenReaderEnabled"),
          QVariant::fromValue(QDBusVariant(on))});
  QDBusConnection::disconnectFromBus(name);
  if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty()) return false;

  auto accessibility = std::make_unique<Accessibility>();
  accessibility->bus = QDBusConnection::connectToBus(address.arguments().at(0).toString(), name + "-a11y");
  accessibility->service = QStringLiteral("org.a11y.atspi.Registry");
  for (int tries = 0; tries < 25; ++tries) {
    // The registry lists each application by its place on the bus.
    const auto reply = accessibility->call(QStringLiteral("/org/a11y/atspi/accessible/root"),
                                           QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("GetChildren"));
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
      const auto list = reply.arguments().at(0).value<QDBusArgument>();
      QString owner;
      QDBusObjectPath path;
      list.beginArray();
      while (!list.atEnd()) {
        list.beginStructure();
        list >> owner >> path;
        list.endStructure();
      }
      list.endArray();
      if (!owner.isEmpty()) {
        accessibility->service = owner;
        accessibility->root = path.path();
        accessibility_ = std::move(accessibility);
        return true;
      }
    }
    QThread::msleep(200);
  }
  return false;
}

std::optional<DesktopSession::Run> DesktopSession::runApp(const std::string& home,
                                                          const std::vector<std::string>& arguments,
                                                          const std::map<std::string, std::string>& environment,
                                                          std::chrono::milliseconds limit) {
  std::vector<std::string> command;
  for (const auto& [name, value] : appEnvironment(home, environment)) command.push_back(name + "=" + value);
  command.push_back(AMBERLOOM_APP_PATH);
  command.insert(command.end(), arguments.begin(), arguments.end());
  const auto ran = platform::runProcess("/usr/bin/env", command, limit);
  if (!ran || ran->timedOut) return std::nullopt;
  return Run{ran->exitStatus, ran->standardOutput + ran->standardError};
}

void DesktopSession::killApp() {
  if (app_ <= 0 || appStatus_) return;
  ::kill(-app_, SIGKILL);
  int status = 0;
  while (::waitpid(app_, &status, 0) < 0 && errno == EINTR) {
  }
  appStatus_ = 128 + SIGKILL;
}

std::string DesktopSession::focusedWindowTitle() {
  const auto focused = platform::runProcess(
      "/usr/bin/env", {"DISPLAY=" + display_, "xdotool", "getwindowfocus", "getwindowname"}, std::chrono::seconds(10));
  if (!focused || focused->exitStatus != 0) return {};
  std::string title = focused->standardOutput;
  while (!title.empty() && title.back() == '\n') title.pop_back();
  return title;
}

bool DesktopSession::appRunning() { return !waitForExit(std::chrono::milliseconds(0)); }

std::optional<int> DesktopSession::waitForExit(std::chrono::milliseconds limit) {
  if (appStatus_ || app_ <= 0) return appStatus_;
  const auto deadline = Clock::now() + limit;
  do {
    int status = 0;
    if (::waitpid(app_, &status, WNOHANG) == app_) {
      appStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      ::kill(-app_, SIGKILL);  // whatever it left behind
      return appStatus_;
    }
    QThread::msleep(50);
  } while (Clock::now() < deadline);
  return std::nullopt;
}

std::string DesktopSession::appLog() const {
  std::ifstream file(appLogPath_);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<DesktopSession::Element> DesktopSession::elements() {
  std::vector<Element> found;
  if (!accessibility_) return found;
  for (auto& [element, state] : accessibility_->shownElements(QRect(0, 0, 1280, 900), false))
    found.push_back(std::move(element));
  return found;
}

std::vector<DesktopSession::Element> DesktopSession::everyElement() {
  std::vector<Element> found;
  if (!accessibility_) return found;
  for (auto& [element, state] : accessibility_->shownElements(std::nullopt, false, true)) found.push_back(std::move(element));
  return found;
}

std::optional<DesktopSession::Element> DesktopSession::focused(std::chrono::milliseconds limit) {
  constexpr quint32 kFocused = 1u << 12;  // ATSPI_STATE_FOCUSED
  const auto deadline = Clock::now() + limit;
  do {
    // The focus scopes around the focused control say they have it too: the deepest one is it.
    std::optional<Element> deepest;
    if (accessibility_)
      for (auto& [element, state] : accessibility_->shownElements(std::nullopt, true))
        if (state & kFocused) deepest = std::move(element);
    if (deepest) return deepest;
    QThread::msleep(200);
  } while (Clock::now() < deadline && appRunning());
  return std::nullopt;
}

std::string DesktopSession::describeScreen() {
  std::string text;
  for (const auto& e : elements())
    text += e.role.toStdString() + " \"" + e.name.toStdString() + "\" at " + std::to_string(e.place.x()) + "," +
            std::to_string(e.place.y()) + "\n";
  return text;
}

std::optional<DesktopSession::Element> DesktopSession::find(const QString& name, const QString& role,
                                                            std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  do {
    std::optional<Element> highest;
    for (const auto& element : elements())
      if ((name.endsWith(QLatin1Char('*')) ? element.name.startsWith(name.chopped(1)) : element.name == name) &&
          (role.isEmpty() || element.role == role) &&
          (!highest || element.place.y() < highest->place.y()))
        highest = element;
    if (highest) return highest;
    QThread::msleep(250);
  } while (Clock::now() < deadline && appRunning());
  return std::nullopt;
}

std::optional<DesktopSession::Element> DesktopSession::reveal(const QString& name, const QString& role) {
  const auto window = find(QStringLiteral("AmberLoom"), QStringLiteral("frame"));
  auto element = find(name, role);
  for (int turns = 0; element && window && turns < 40; ++turns) {
    if (window->place.contains(element->place)) {
      // Where it stays: a list still laying itself out moves it between two readings.
      const auto again = find(name, role, std::chrono::seconds(2));
      if (again && again->place == element->place) return element;
      element = again;
      continue;
    }
    const bool down = element->place.bottom() > window->place.bottom();
    xdotool({"mousemove", std::to_string(element->place.center().x()), std::to_string(window->place.center().y()),
             "click", down ? "5" : "4"});
    waitUntilHandled();
    element = find(name, role, std::chrono::seconds(2));
  }
  return std::nullopt;
}

void DesktopSession::xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {"DISPLAY=" + display_, "xdotool"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  const auto ran = platform::runProcess("/usr/bin/env", all, std::chrono::seconds(60));
  if (!ran || ran->exitStatus != 0)
    throw std::runtime_error("xdotool failed: " + (ran ? ran->standardError : std::string("not started")));
}

bool DesktopSession::showsWindow(const std::string& title) {
  const auto found = platform::runProcess(
      "/usr/bin/env", {"DISPLAY=" + display_, "xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"},
      std::chrono::seconds(60));
  return found && found->exitStatus == 0 && !found->standardOutput.empty();
}

bool DesktopSession::waitUntilHandled(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  if (!x_) x_ = std::make_unique<XConnection>(display_);
  const auto waiting = [&] { return Clock::now() < deadline && appRunning(); };
  // The second ping reaches the application's thread only after the turn of its events that
  // handled the first, and with it the input sent before.
  for (int answered = 0; answered < 2;) {
    const auto window = x_->pingableWindow();
    if (!window) {
      if (!waiting()) return false;
      x_->awaitWindowChange();
      continue;
    }
    switch (x_->ping(*window, waiting)) {
      case XConnection::Ping::answered: ++answered; break;
      case XConnection::Ping::windowGone: break;  // another window then
      case XConnection::Ping::unanswered: return false;
    }
  }
  return true;
}

std::vector<DesktopSession::Element> DesktopSession::settledElements(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  const auto same = [](const std::vector<Element>& a, const std::vector<Element>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Element& x, const Element& y) {
      return x.role == y.role && x.name == y.name && x.place == y.place;
    });
  };
  waitUntilHandled();
  auto last = elements();
  while (Clock::now() < deadline) {
    auto now = elements();
    if (same(now, last)) return now;
    last = std::move(now);
  }
  return last;
}

void DesktopSession::wheel(const Element& element, int notches) {
  std::vector<std::string> arguments = {"mousemove", std::to_string(element.place.center().x()),
                                        std::to_string(element.place.center().y())};
  for (int turn = 0; turn < std::abs(notches); ++turn) arguments.insert(arguments.end(), {"click", notches > 0 ? "5" : "4"});
  xdotool(arguments);
  waitUntilHandled();
}

void DesktopSession::click(int x, int y) {
  xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
  waitUntilHandled();
}

void DesktopSession::click(const Element& element) { click(element.place.center().x(), element.place.center().y()); }

void DesktopSession::key(const std::string& keys) {
  xdotool({"key", keys});
  waitUntilHandled();
}

void DesktopSession::type(const std::string& text) {
  xdotool({"type", "--delay", "20", text});
  waitUntilHandled();
}

std::optional<DesktopSession::Details> DesktopSession::details(const QString& name, const QString& role,
                                                               std::chrono::milliseconds limit) {
  const QRect screen(0, 0, 1280, 900);
  const auto matches = [&](const Element& element) {
    return (name.endsWith(QLatin1Char('*')) ? element.name.startsWith(name.chopped(1)) : element.name == name) &&
           (role.isEmpty() || element.role == role);
  };
  const auto deadline = Clock::now() + limit;
  do {
    // The highest match on screen, as find gives it.
    std::optional<Details> highest;
    // A level at a time, as shownElements reads it, keeping each element's path for the questions below.
    std::vector<QString> level = accessibility_ ? accessibility_->childrenOf({accessibility_->root}) : std::vector<QString>();
    while (!level.empty()) {
      const auto elements = accessibility_->elementsOf(level);
      std::vector<QString> parents;
      for (std::size_t i = 0; i < level.size(); ++i) {
        const Element& element = elements[i];
        if (element.place.isEmpty() || !element.place.intersects(screen)) continue;
        if (matches(element) && (!highest || element.place.y() < highest->element.place.y()))
          highest = Details{element, {}, 0, {}, std::nullopt, level[i]};
        parents.push_back(level[i]);
      }
      level = accessibility_->childrenOf(parents);
    }
    if (highest) {
      auto& a = *accessibility_;
      const auto property = [&](const char* interface, const char* which) {
        return a.call(highest->path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                      {QString::fromLatin1(interface), QString::fromLatin1(which)});
      };
      const auto description = property("org.a11y.atspi.Accessible", "Description");
      if (description.type() == QDBusMessage::ReplyMessage && !description.arguments().isEmpty())
        highest->description = description.arguments().at(0).value<QDBusVariant>().variant().toString();
      const auto states = a.call(highest->path, QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("GetState"));
      if (states.type() == QDBusMessage::ReplyMessage && !states.arguments().isEmpty()) {
        const auto words = states.arguments().at(0).value<QDBusArgument>();
        words.beginArray();
        for (int word = 0; !words.atEnd(); ++word) {
          quint32 bits = 0;
          words >> bits;
          if (word < 2) highest->states |= quint64(bits) << (32 * word);
        }
        words.endArray();
      }
      const auto actions = a.call(highest->path, QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("GetActions"));
      if (actions.type() == QDBusMessage::ReplyMessage && !actions.arguments().isEmpty()) {
        const auto list = actions.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
          QString actionName, actionDescription, keys;
          list.beginStructure();
          list >> actionName >> actionDescription >> keys;
          list.endStructure();
          highest->actions.push_back(actionName);
        }
        list.endArray();
      }
      const auto value = property("org.a11y.atspi.Value", "CurrentValue");
      if (value.type() == QDBusMessage::ReplyMessage && !value.arguments().isEmpty())
        highest->value = value.arguments().at(0).value<QDBusVariant>().variant().toDouble();
      return highest;
    }
    QThread::msleep(100);
  } while (Clock::now() < deadline && appRunning());
  return std::nullopt;
}

bool DesktopSession::doAction(const QString& name, const QString& role, const QString& action) {
  const auto found = details(name, role);
  if (!found) return false;
  const auto at = std::find(found->actions.begin(), found->actions.end(), action);
  if (at == found->actions.end()) return false;
  const auto done = accessibility_->call(found->path, QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("DoAction"),
                                         {QVariant::fromValue(int(at - found->actions.begin()))});
  return done.type() == QDBusMessage::ReplyMessage && !done.arguments().isEmpty() && done.arguments().at(0).toBool();
}

void DesktopSession::keysInARow(const std::vector<std::string>& keys) {
  std::vector<std::string> arguments = {"key", "--delay", "0"};
  arguments.insert(arguments.end(), keys.begin(), keys.end());
  xdotool(arguments);
}

}  // namespace amberloom::testing
