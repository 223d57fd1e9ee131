#include "Kit/GroupSymbols.hpp"

#include <string_view>
#include <unordered_map>

namespace amberloom::ui::GroupSymbol {

namespace {

constexpr auto generalFallback = "slider.horizontal.3";
constexpr auto prefixFallback = "app.dashed";

// Group ids, category keys and setting-id prefixes share one key space.
const std::unordered_map<std::string_view, std::string_view>& names() {
  static const std::unordered_map<std::string_view, std::string_view> table = {
      {"general", "gearshape"},
      {"appearance", "paintpalette"},
      {"accessibility", "figure.arms.open"},
      {"menubar", "menubar.rectangle"},
      {"spotlight", "magnifyingglass"},
      {"privacy_security", "hand.raised"},
      {"dock", "dock.rectangle"},
      {"desktop", "macwindow.badge.plus"},
      {"windows", "macwindow"},
      {"mission_control", "rectangle.3.group"},
      {"displays", "display"},
      {"keyboard", "keyboard"},
      {"mouse", "computermouse"},
      {"trackpad", "rectangle.and.hand.point.up.left"},
      {"finder", "folder"},
      {"screenshots", "camera.viewfinder"},
      {"apps", "square.grid.2x2"},
      {"a11y", "figure.arms.open"},
      {"activitymonitor", "chart.bar"},
      {"clock", "clock"},
      {"desktopservices", "externaldrive"},
      {"feedback", "exclamationmark.bubble"},
      {"global", "gearshape.2"},
      {"helpviewer", "questionmark.circle"},
      {"imagecapture", "camera"},
      {"messages", "message"},
      {"music", "music.note"},
      {"network", "network"},
      {"quicktime", "play.rectangle"},
      {"screensaver", "moon.stars"},
      {"siri", "waveform"},
      {"spaces", "rectangle.3.group"},
      {"sshot", "camera.viewfinder"},
      {"syspref", "gearshape"},
      {"textedit", "doc.text"},
      {"timemachine", "clock.arrow.circlepath"},
      {"wm", "macwindow.on.rectangle"},
      {"safari", "safari"},
      {"mail", "envelope"},
      {"terminal", "terminal"},
      {"xcode", "hammer"},
      {"preview", "doc.richtext"},
      {"calendar", "calendar"},
      {"notes", "note.text"},
      {"stickies", "note"},
      {"photos", "photo"},
      {"archiveutility", "archivebox"},
      {"screensharing", "person.2.badge.gearshape"},
      {"stagemanager", "rectangle.stack"},
      {"voicememos", "waveform.circle"},
      {"passwords", "key"},
      {"weather", "cloud.sun"},
      {"appstore", "bag"},
      {"softwareupdate", "arrow.triangle.2.circlepath"},
      {"simulator", "iphone"},
      {"crashreporter", "exclamationmark.triangle"},
      {"windowtiling", "square.split.2x2"},
      {"controlcenter", "switch.2"},
      {"lockscreen", "lock"},
      {"desktopwidgets", "square.grid.3x3"},
      {"apps_safari", "safari"},
      {"apps_mail", "envelope"},
      {"apps_calendar", "calendar"},
      {"apps_notes", "note.text"},
      {"apps_stickies", "note"},
      {"apps_preview", "doc.richtext"},
      {"apps_photos", "photo"},
      {"apps_terminal", "terminal"},
      {"apps_textedit", "doc.text"},
      {"apps_music", "music.note"},
      {"apps_messages", "message"},
      {"apps_weather", "cloud.sun"},
      {"apps_quicktime", "play.rectangle"},
      {"apps_activity_monitor", "chart.bar"},
      {"apps_archive", "archivebox"},
      {"apps_developer", "hammer"},
      {"apps_disk_utility", "internaldrive"},
      {"apps_debug_menus", "ladybug"},
      {"apps_help_viewer", "questionmark.circle"},
      {"apps_image_capture", "camera"},
      {"apps_system_settings", "gearshape"},
      {"apps_web_views", "globe"},
  };
  return table;
}

std::string lookup(const std::string& key, const char* fallback) {
  const auto found = names().find(key);
  return std::string(found == names().end() ? std::string_view(fallback) : found->second);
}

}  // namespace

std::string name(const SettingGroup& group) { return lookup(group.id, generalFallback); }

std::string nameForCategory(const std::optional<std::string>& category) {
  return category ? lookup(*category, generalFallback) : generalFallback;
}

std::string nameForPrefix(const std::string& prefix) { return lookup(prefix, prefixFallback); }

}  // namespace amberloom::ui::GroupSymbol
