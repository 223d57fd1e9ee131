#pragma once
// Setting cards on screen over a real settings model: a small catalogue with one setting of every
// control kind and of every mark, written through the preference files of the temporary home.
// The clipboard is a recording one.

#include <QQuickItem>
#include <QStringList>
#include <QTest>
#include <memory>

#include "Browser/Pasteboard.hpp"
#include "Browser/SettingsModel.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "ScreenWindow.hpp"
#include "TestHome.hpp"

namespace amberloom::testing {

class RecordingPasteboard : public ui::Pasteboard {
 public:
  QStringList copied;
  void copy(const QString& text) override { copied << text; }
};

inline SettingDefinition cardSetting(const std::string& id, const std::string& label, SettingValueType type,
                                     SettingControl control, const std::optional<std::string>& category) {
  SettingDefinition setting;
  setting.id = id;
  setting.label = label;
  setting.type = type;
  setting.control = std::move(control);
  setting.ref = SettingRef{"com.example." + id.substr(0, id.find('.')), {id.substr(id.find('.') + 1)}, false};
  if (category)
    setting.text = SettingText{"What " + label + " changes, told in one line that is rather long for a card.",
                               "macOS keeps this one out of sight.", SettingTextLevel::basic, *category,
                               *category, {}, {}, {}};
  return setting;
}

// dock.autohide (toggle, restarts two apps, also in System Settings, effect unverified),
// dock.tilesize (slider), finder.view (choice), appearance.note (text, no texts of its own),
// appearance.highlight (colour), screenshots.location (folder), gate.open (weakens security,
// with a risk note), plist.blob (unsupported dictionary).
inline SettingsCatalog cardCatalog() {
  using T = SettingValueType;
  auto autohide = cardSetting("dock.autohide", "Hide the Dock automatically", T::boolean, SettingControl::toggle(), "dock");
  autohide.restartsApps = {"Dock", "Finder"};
  autohide.exposure = SettingExposure::alsoInSystemSettings;
  autohide.effectUnverified = true;
  auto open = cardSetting("gate.open", "Open apps from anywhere", T::boolean, SettingControl::toggle(), "privacy_security");
  open.risk = SettingRisk::weakensSecurity;
  open.text->riskNote = "Apps that nobody checked can then start without a warning.";
  return SettingsCatalog(1, 1, {
      autohide,
      cardSetting("dock.tilesize", "Icon size", T::real, SettingControl::slider({16, 128, 1}), "dock"),
      cardSetting("finder.view", "Default view", T::string,
                  SettingControl::choice({{PreferenceValue::string("icnv"), "Icons"},
                                          {PreferenceValue::string("Nlsv"), "List"}}), "finder"),
      cardSetting("appearance.note", "Note under the clock", T::string, SettingControl::text(), std::nullopt),
      cardSetting("appearance.highlight", "Highlight colour", T::string, SettingControl::color(), "appearance"),
      cardSetting("screenshots.location", "Where screenshots go", T::string, SettingControl::folder(), "screenshots"),
      open,
      cardSetting("plist.blob", "Window positions", T::dictionary, SettingControl::unsupported(), std::nullopt),
  });
}

class SettingCardsScreen {
 public:
  explicit SettingCardsScreen(const QStringList& ids, QSize size = {980, 760})
      : model_(std::make_unique<ui::SettingsModel>(
            ui::ModelContext{.history = SnapshotHistory::standard(),
                             .verifier = std::make_shared<ExternalVerifier>(defaultsPath()),
                             .defaults = std::make_shared<MemoryUserDefaults>()},
            cardCatalog(), SettingsService(DomainResolver::live(), std::make_shared<CFPreferenceStore>()), std::nullopt,
            std::nullopt, ui::SettingsModel::ThisMac{Version({14, 5}), Version({1, 0}), [](const auto&) {}})),
        window_(testQml("SettingCards.qml"), size) {
    window_.screen()->setProperty("pasteboard", QVariant::fromValue<ui::Pasteboard*>(&pasteboard));
    window_.screen()->setProperty("settingsModel", QVariant::fromValue(model_.get()));
    window_.screen()->setProperty("ids", ids);
    window_.grab();
  }

  RecordingPasteboard pasteboard;
  ui::SettingsModel& model() { return *model_; }
  const SettingDefinition& setting(const std::string& id) { return *model_->setting(id); }
  ScreenWindow& window() { return window_; }
  QQuickItem* screen() { return window_.screen(); }
  void setGroupNames(const QVariantMap& names) {
    window_.screen()->setProperty("groupNames", names);
    window_.grab();
  }

  // The item named `name` anywhere in the window, pop-ups included; throws when there is none.
  QQuickItem* item(const QString& name) { return window_.itemInWindow(name); }
  QQuickItem* card(const QString& id) { return item("card:" + id); }

  void click(QQuickItem* item) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(item));
    window_.grab();
  }
  void hover(QQuickItem* item) {
    QTest::mouseMove(&window_.window(), window_.centreOf(item));
    window_.grab();
  }
  void press(Qt::Key key) {
    QTest::keyClick(&window_.window(), key);
    window_.grab();
  }

 private:
  // The model outlives the window that shows it.
  std::unique_ptr<ui::SettingsModel> model_;
  ScreenWindow window_;
};

}  // namespace amberloom::testing
