#include "AmberLoom/Updater.hpp"

#include <cstdio>

#include "Kit/Logging.hpp"
#include "Preferences/BundledResource.hpp"

namespace amberloom::app {

namespace {

// No update framework is linked into this build: a check says so and changes nothing.
class StandInController final : public Updater::Controller {
 public:
  void checkForUpdates() override {
    std::fputs("AmberLoom: this build cannot download updates.\n", stderr);
  }
};

}  // namespace

std::optional<std::string> Updater::feedURL(const Json& informationList) {
  if (!informationList.is_object()) return std::nullopt;
  const Json* feed = optionalMember(informationList, "SUFeedURL");
  if (!feed || !feed->is_string()) return std::nullopt;
  return feed->get<std::string>();
}

std::optional<std::string> Updater::bundledFeedURL() {
  try {
    return feedURL(parseJson(BundledResource::data("Info")));
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in information list cannot be read for an update feed:"
                                   << ui::currentError();
    return std::nullopt;
  }
}

Updater::Updater(const std::optional<std::string>& feed) {
  if (feed && !feed->empty()) controller_ = std::make_unique<StandInController>();
}

void Updater::checkForUpdates() {
  if (controller_) controller_->checkForUpdates();
}

}  // namespace amberloom::app
