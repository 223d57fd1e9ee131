#pragma once
// The software-update wrapper behind "Check for Updates…". Updates are offered only when the
// application's information list names an update feed ("SUFeedURL", a non-empty string); without
// one the command stays disabled. This build has no update framework: the controller is a
// stand-in that downloads nothing.

#include <memory>
#include <optional>
#include <string>

#include "Support/Json.hpp"

namespace amberloom::app {

class Updater {
 public:
  // What the update framework's standard controller offers the application.
  class Controller {
   public:
    virtual ~Controller() = default;
    // Looks for a newer version and lets the user install it.
    virtual void checkForUpdates() = 0;
  };

  // "SUFeedURL" of `informationList` when it is a string (also an empty one), else none.
  static std::optional<std::string> feedURL(const Json& informationList);
  // The same of the built-in information list; none when that cannot be read.
  static std::optional<std::string> bundledFeedURL();

  // A controller only for a non-empty feed; the feed's text is not looked at beyond that.
  explicit Updater(const std::optional<std::string>& feed = bundledFeedURL());

  bool canCheckForUpdates() const { return controller_ != nullptr; }
  // Asks the controller to check; does nothing without one.
  void checkForUpdates();

 private:
  std::unique_ptr<Controller> controller_;
};

}  // namespace amberloom::app
