// Group symbols and the icons behind every symbol name the screens use: the three lookups with
// their fallbacks, each name drawn from a bundled icon, and anything else drawn as the fallback.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "Catalog/SettingGroup.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Kit/GroupSymbols.hpp"
#include "Kit/SymbolImageProvider.hpp"

namespace GroupSymbol = amberloom::ui::GroupSymbol;
using amberloom::SettingGroup;
using amberloom::ui::SymbolImageProvider;

namespace {

SettingGroup group(const std::string& id) { return SettingGroup{id, "Name", {}}; }

// The share of an image's pixels that are not fully transparent.
double coverage(const QImage& image) {
  int painted = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0;
  return double(painted) / (image.width() * image.height());
}

}  // namespace

TEST(GroupSymbols, theThreeLookupsShareOneTableAndFallBackEachTheirOwnWay) {
  const struct {
    const char* lookup;
    std::function<std::string()> call;
    const char* expected;
  } cases[] = {
      {"group dock", [] { return GroupSymbol::name(group("dock")); }, "dock.rectangle"},
      {"group Dock (case counts)", [] { return GroupSymbol::name(group("Dock")); }, "slider.horizontal.3"},
      {"group apps_disk_utility", [] { return GroupSymbol::name(group("apps_disk_utility")); }, "internaldrive"},
      {"group of a prefix key", [] { return GroupSymbol::name(group("sshot")); }, "camera.viewfinder"},
      {"no category", [] { return GroupSymbol::nameForCategory(std::nullopt); }, "slider.horizontal.3"},
      {"empty category", [] { return GroupSymbol::nameForCategory(""); }, "slider.horizontal.3"},
      {"category apps", [] { return GroupSymbol::nameForCategory("apps"); }, "square.grid.2x2"},
      {"category with a space", [] { return GroupSymbol::nameForCategory(" dock"); }, "slider.horizontal.3"},
      {"prefix safari", [] { return GroupSymbol::nameForPrefix("safari"); }, "safari"},
      {"prefix apps_safari", [] { return GroupSymbol::nameForPrefix("apps_safari"); }, "safari"},
      {"prefix general", [] { return GroupSymbol::nameForPrefix("general"); }, "gearshape"},
      {"unknown prefix", [] { return GroupSymbol::nameForPrefix("nosuchapp"); }, "app.dashed"},
      {"a whole setting id", [] { return GroupSymbol::nameForPrefix("dock.autohide"); }, "app.dashed"},
      {"empty prefix", [] { return GroupSymbol::nameForPrefix(""); }, "app.dashed"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.lookup;
}

TEST(GroupSymbols, everySymbolNameTheScreensUseHasABundledIcon) {
  // The group table's symbols, its two fallbacks and the symbols the screens name themselves.
  const char* names[] = {
      "gearshape", "paintpalette", "figure.arms.open", "menubar.rectangle", "magnifyingglass",
      "hand.raised", "dock.rectangle", "macwindow.badge.plus", "macwindow", "rectangle.3.group",
      "display", "keyboard", "computermouse", "rectangle.and.hand.point.up.left", "folder",
      "camera.viewfinder", "square.grid.2x2", "chart.bar", "clock", "externaldrive",
      "exclamationmark.bubble", "gearshape.2", "questionmark.circle", "camera", "message",
      "music.note", "network", "play.rectangle", "moon.stars", "waveform", "doc.text",
      "clock.arrow.circlepath", "macwindow.on.rectangle", "safari", "envelope", "terminal",
      "hammer", "doc.richtext", "calendar", "note.text", "note", "photo", "archivebox",
      "person.2.badge.gearshape", "rectangle.stack", "waveform.circle", "key", "cloud.sun", "bag",
      "arrow.triangle.2.circlepath", "iphone", "exclamationmark.triangle", "square.split.2x2",
      "switch.2", "lock", "square.grid.3x3", "internaldrive", "ladybug", "globe",
      "slider.horizontal.3", "app.dashed",
      "laptopcomputer", "laptopcomputer.and.iphone", "person.crop.circle", "wand.and.stars",
      "arrow.left.arrow.right", "arrow.clockwise", "arrow.down.to.line", "arrow.uturn.backward",
      "arrow.uturn.backward.circle", "checkmark.circle", "checkmark.circle.fill", "checkmark.seal",
      "chevron.down", "chevron.left", "chevron.up", "circle", "circle.fill",
      "exclamationmark.circle", "exclamationmark.shield.fill", "eye", "eye.slash", "lightbulb",
      "lock.shield", "network.slash", "pin", "pin.fill", "xmark",
  };
  for (const char* name : names) EXPECT_TRUE(SymbolImageProvider::hasIcon(name)) << name;

  // Whatever the built-in catalogue's groups, categories and prefixes are, their symbols draw.
  for (const SettingGroup& each : SettingGroup::build(amberloom::SettingsCatalog::bundled().settings())) {
    EXPECT_TRUE(SymbolImageProvider::hasIcon(QString::fromStdString(GroupSymbol::name(each)))) << each.id;
    EXPECT_TRUE(SymbolImageProvider::hasIcon(QString::fromStdString(GroupSymbol::nameForPrefix(each.id)))) << each.id;
  }
}

TEST(GroupSymbols, anUnknownOrUnsafeNameDrawsTheFallbackIconInTheAskedColour) {
  SymbolImageProvider provider;
  QSize size;
  const QImage known = provider.requestImage("gearshape/ff0000", &size, QSize(32, 32));
  const QImage fallback = provider.requestImage("no.such.symbol/ff0000", &size, QSize(32, 32));
  EXPECT_EQ(size, QSize(32, 32));
  EXPECT_GT(coverage(known), 0.1);
  EXPECT_GT(coverage(fallback), 0.1) << "never an empty square";
  EXPECT_NE(known, fallback);

  for (const char* unsafe : {"", "../qmldir", "/gearshape", ".hidden", "gear/../../x"}) {
    EXPECT_FALSE(SymbolImageProvider::hasIcon(unsafe)) << unsafe;
    EXPECT_EQ(provider.requestImage(QString(unsafe) + "/ff0000", &size, QSize(32, 32)), fallback) << unsafe;
  }

  // Tinted: every painted pixel is the asked colour; a translucent colour keeps its opacity.
  const QImage half = provider.requestImage("gearshape/80336699", &size, QSize(32, 32));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if (qAlpha(known.pixel(x, y)) == 255) {
        EXPECT_EQ(known.pixelColor(x, y), QColor(255, 0, 0));
      }
      EXPECT_LE(qAlpha(half.pixel(x, y)), 0x80);
    }
  EXPECT_EQ(provider.requestImage("gearshape/zz", &size, {}).size(), QSize(16, 16)) << "a bad colour and no size";
}

// The provider reads every bundled icon on a worker as it is made: images asked for meanwhile, from
// several threads at once, and from a provider gone before its worker ends, are drawn as ever.
TEST(GroupSymbols, IconsDrawnWhileTheyAreStillBeingReadAreTheSameAsEver) {
  const QStringList names = {"gearshape/ff0000", "dock.rectangle/336699", "safari/80000000", "no.such.symbol/00ff00",
                             "internaldrive/000000", "square.grid.2x2/ffffff"};
  std::vector<QImage> expected;
  {
    SymbolImageProvider settled;
    for (const QString& id : names) expected.push_back(settled.requestImage(id, nullptr, QSize(26, 26)));
  }
  for (int round = 0; round < 3; ++round) {
    SymbolImageProvider fresh;
    std::vector<std::vector<QImage>> drawn(4, std::vector<QImage>(names.size()));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < drawn.size(); ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < names.size(); ++i) {
          const int which = (i + int(t)) % int(names.size());
          drawn[t][which] = fresh.requestImage(names[which], nullptr, QSize(26, 26));
        }
      });
    for (auto& thread : threads) thread.join();
    for (const auto& images : drawn)
      for (int i = 0; i < names.size(); ++i) EXPECT_EQ(images[i], expected[i]) << names[i].toStdString();
  }
  // Gone at once: its worker stops on its own, touching nothing of the provider's.
  for (int i = 0; i < 5; ++i) SymbolImageProvider gone;
}
