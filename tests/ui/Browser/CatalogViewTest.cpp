// The catalogue window driven as a user drives it, on the offscreen platform: the sidebar, the
// search field, the tip of the day, the restart button, coming back to the application, and the
// manual guide. Also renders the window on the built-in catalogue in both palettes.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QTest>
#include <filesystem>

#include "Browser/AppRestarter.hpp"
#include "Browser/ManualGuideList.hpp"
#include "Browser/SettingsModel.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "ScreenWindow.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using amberloom::testing::ScreenWindow;
using amberloom::ui::ManualGuideList;
using amberloom::ui::SettingsModel;
namespace th = amberloom::testing;

namespace {

const Version kOS({14, 5});
const Version kApp({1, 0});

SettingDefinition toggle(std::string id, std::string category, std::string label,
                         std::optional<std::string> subcategory = std::nullopt) {
  SettingDefinition setting;
  setting.id = std::move(id);
  setting.label = std::move(label);
  setting.ref = SettingRef{"com.example." + category, {setting.id.substr(setting.id.find('.') + 1)}, false};
  setting.text = SettingText{"What " + setting.label + " does", "", SettingTextLevel::basic, category,
                             category + " settings", subcategory, subcategory, {}};
  return setting;
}

// Every item below `root` named `name`, delegates of views included, in tree order.
void collect(QQuickItem* root, const QString& name, std::vector<QQuickItem*>& found) {
  for (QQuickItem* child : root->childItems()) {
    if (child->objectName() == name) found.push_back(child);
    collect(child, name, found);
  }
}

std::vector<QQuickItem*> visibleItems(QQuickItem* root, const QString& name) {
  std::vector<QQuickItem*> all, shown;
  collect(root, name, all);
  for (auto* item : all)
    if (item->isVisible()) shown.push_back(item);
  return shown;
}

// The catalogue window over a settings model in the temporary home.
class CatalogView : public ::testing::Test {
 protected:
  UserDefaultsRef defaults = std::make_shared<th::MemoryUserDefaults>();
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  std::string killall = th::writeExecutable(th::home() + "/fake-killall", "#!/bin/sh\ntouch \"$HOME/restarted-$1\"\n");
  std::unique_ptr<SettingsModel> model;
  std::unique_ptr<ManualGuideList> guide;
  std::unique_ptr<QQmlPropertyMap> fixture = std::make_unique<QQmlPropertyMap>();
  std::unique_ptr<ScreenWindow> window;

  void open(const SettingsCatalog& catalog, std::optional<DiscoverDeck> deck, std::optional<ManualGuide> manual,
            bool dryRun = false) {
    model = std::make_unique<SettingsModel>(
        catalog, SettingsService(DomainResolver::live(), store), dryRun, kOS, kApp, defaults, std::nullopt,
        std::make_shared<ExternalVerifier>(th::defaultsPath()), std::move(deck),
        [this](const std::vector<std::string>& names) { ui::AppRestarter::killall(names, killall); });
    if (manual) guide = std::make_unique<ManualGuideList>(std::move(*manual));
    fixture->insert("model", QVariant::fromValue(model.get()));
    fixture->insert("guide", QVariant::fromValue(guide.get()));
    fixture->insert("repairCount", 0);
    window = std::make_unique<ScreenWindow>(th::testQml("CatalogScreen.qml"), QSize(980, 700));
    window->screen()->setProperty("fixture", QVariant::fromValue<QObject*>(fixture.get()));
    settle();
  }

  void settle() {
    QCoreApplication::processEvents();
    QTest::qWait(30);
  }

  QQuickItem* root() const { return window->screen(); }
  QQuickItem* one(const QString& name) const {
    const auto found = visibleItems(root(), name);
    if (found.empty()) throw std::runtime_error("nothing visible named " + name.toStdString());
    return found.front();
  }
  QQuickItem* detail() const { return one("detail")->property("item").value<QQuickItem*>(); }

  // Types into the item that has the keyboard focus, key by key.
  void type(const char* text) {
    for (const char* key = text; *key; ++key) QTest::keyClick(&window->window(), *key);
    settle();
  }

  void click(const QString& name) {
    QTest::mouseClick(&window->window(), Qt::LeftButton, {}, window->centreOf(one(name)));
    settle();
  }
};

}  // namespace

TEST_F(CatalogView, RendersTheBuiltInCatalogueInBothPalettes) {
  const auto catalog = SettingsCatalog::bundled();
  defaults->setString("group:dock", "lastSelectedGroup");
  open(catalog, DiscoverDeck::bundled(catalog), ManualGuide::bundled());
  th::renderInBothPalettes(*window, "catalog-group");

  one("searchField")->forceActiveFocus();
  type("window");
  th::renderInBothPalettes(*window, "catalog-search");

  model->setSearchText("");
  model->selectPage("carried");
  settle();
  th::renderInBothPalettes(*window, "catalog-carried");

  model->selectPage("manualGuide");
  settle();
  click("sectionHeader");
  th::renderInBothPalettes(*window, "catalog-guide");
}
