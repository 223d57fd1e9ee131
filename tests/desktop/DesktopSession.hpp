#pragma once
// The real AmberLoom executable on a desktop of its own, for the end-to-end tests: a virtual X
// server (Xvfb, on the display number it picks itself, so tests run side by side), a private
// session bus with the accessibility bus behind it, and the application started with its own
// home and environment. The test finds what is on screen as a screen reader does (the
// accessibility tree's names, roles and places) and drives it as a user does: xdotool moves the
// pointer, clicks and types. Everything started is stopped when the session goes.

#include <sys/types.h>

#include <QRect>
#include <QString>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace amberloom::testing {

class DesktopSession {
 public:
  // Starts Xvfb and the session bus; `folder` (made when missing) holds their files.
  explicit DesktopSession(std::string folder);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // Starts the built AmberLoom with HOME `home` and `environment` on top of this desktop's.
  void startApp(const std::string& home, const std::map<std::string, std::string>& environment = {});
  // Another start of the built AmberLoom on this desktop, as startApp would make it, with
  // `arguments`, run to its end within `limit`; its exit status and output, none when it ran over.
  struct Run {
    int status;
    std::string output;
  };
  std::optional<Run> runApp(const std::string& home, const std::vector<std::string>& arguments,
                            const std::map<std::string, std::string>& environment, std::chrono::milliseconds limit);
  // Ends the application started by startApp at once, as a crash or `kill -9` would.
  void killApp();
  // The title of the window that has the keyboard focus; empty when none has.
  std::string focusedWindowTitle();
  // Waits at most `limit` for the application to end; its exit status, or none while it runs.
  std::optional<int> waitForExit(std::chrono::milliseconds limit);
  bool appRunning();
  // What the application printed on standard error so far.
  std::string appLog() const;

  struct Element {
    QString role;  // as the accessibility tree names it: "push button", "check box", "text", ...
    QString name;
    QRect place;   // on screen
  };
  // The highest element on screen whose name is `name` (or begins with it, when it ends in "*"), of
  // the role `role` unless that is empty, looked for until `limit` has passed; none then.
  std::optional<Element> find(const QString& name, const QString& role = {},
                              std::chrono::milliseconds limit = std::chrono::seconds(20));
  // As find, and scrolls the page under the pointer (the wheel over the middle of the window)
  // until the element is wholly inside the main window.
  std::optional<Element> reveal(const QString& name, const QString& role = {});
  // Every element on screen now (for messages when something is not found).
  std::vector<Element> elements();
  // Every element of the accessibility tree now, on screen or not: what a screen reader can reach.
  std::vector<Element> everyElement();
  // The element on screen that has the keyboard's focus, looked for until `limit` has passed; none
  // when no element says it has it.
  std::optional<Element> focused(std::chrono::milliseconds limit = std::chrono::seconds(5));
  std::string describeScreen();

  // What a screen reader learns of an element beyond its role, name and place: its description,
  // its states (at-spi's numbering: bit n is state n, as ATSPI_STATE_SENSITIVE is 24), the names
  // of its actions and, for a slider or a scroll bar, its value.
  struct Details {
    Element element;
    QString description;
    quint64 states = 0;
    std::vector<QString> actions;
    std::optional<double> value;
    QString path;  // its place on the accessibility bus
    bool has(int state) const { return state >= 0 && state < 64 && ((states >> state) & 1u); }
  };
  // The details of the element find would give, looked for as find does; none when not found.
  std::optional<Details> details(const QString& name, const QString& role = {},
                                 std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Runs the action `action` ("Press", "Increase", "SetFocus", ...) of the element find would
  // give, as a screen reader does; false when there is no such element or action.
  bool doAction(const QString& name, const QString& role, const QString& action);

  // Whether a window titled exactly `title` is shown now.
  bool showsWindow(const std::string& title);

  // The pointer clicks `point` / the middle of `element`; keys as xdotool names them ("ctrl+q",
  // "Return"); text typed key by key. Each returns once the application has handled it (see
  // waitUntilHandled).
  void click(int x, int y);
  // Turns the mouse wheel over the middle of `element`: down by `notches`, up when negative.
  void wheel(const Element& element, int notches);
  void click(const Element& element);
  void key(const std::string& keys);
  // Each of `keys` pressed in turn without waiting between them, as a quick typist does.
  void keysInARow(const std::vector<std::string>& keys);
  void type(const std::string& text);

  // Waits until the application has handled everything this desktop sent it so far, and the work
  // that handling queued for its next turn: its windows are asked, behind that input, to answer
  // the X server's ping, twice. Gives up after `limit` (an application busy that long, or with no
  // window); whether it answered.
  bool waitUntilHandled(std::chrono::milliseconds limit = std::chrono::seconds(60));
  // Every element on screen once two readings in a row agree: for a screen that may still be
  // laying itself out.
  std::vector<Element> settledElements(std::chrono::milliseconds limit = std::chrono::seconds(20));

 private:
  void xdotool(const std::vector<std::string>& arguments);
  std::map<std::string, std::string> appEnvironment(const std::string& home,
                                                    const std::map<std::string, std::string>& environment) const;
  bool connectAccessibility();

  std::string folder_;
  std::string display_;
  std::string sessionBus_;
  pid_t xvfb_ = -1;
  pid_t bus_ = -1;
  pid_t app_ = -1;
  std::optional<int> appStatus_;
  std::string appLogPath_;
  struct Accessibility;
  std::unique_ptr<Accessibility> accessibility_;
  struct XConnection;  // this test's own client of the X server, for the pings
  std::unique_ptr<XConnection> x_;
};

}  // namespace amberloom::testing
