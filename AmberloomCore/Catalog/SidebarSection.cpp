#include "Catalog/SidebarSection.hpp"

#include <algorithm>
#include <iterator>

#include "Support/LocalizedOrder.hpp"

namespace amberloom {

const std::vector<SidebarSection::Planned>& SidebarSection::plan() {
  static const std::vector<Planned> sections = {
      {"apple", "In System Settings",
       {"general", "appearance", "accessibility", "menubar", "spotlight", "privacy_security", "dock", "desktop",
        "windows", "mission_control", "displays", "keyboard", "mouse", "trackpad"}},
      {"extra", "Only in AmberLoom", {"finder", "screenshots"}},
  };
  return sections;
}

std::vector<SidebarSection::Outline> SidebarSection::outline(const std::vector<SettingGroup>& groups) {
  std::vector<const SettingGroup*> remaining;
  for (const auto& group : groups) remaining.push_back(&group);
  std::vector<Outline> sections;

  for (const auto& planned : plan()) {
    std::vector<const SettingGroup*> picked;
    for (const auto& category : planned.categories) {
      const auto found = std::find_if(remaining.begin(), remaining.end(),
                                      [&](const SettingGroup* group) { return group->id == category; });
      if (found != remaining.end()) picked.push_back(*found);
    }
    if (picked.empty()) continue;
    // Every group with a picked id leaves, repeats included.
    std::erase_if(remaining, [&](const SettingGroup* group) {
      return std::any_of(picked.begin(), picked.end(), [&](const SettingGroup* p) { return p->id == group->id; });
    });
    sections.push_back({planned.id, planned.title, std::move(picked)});
  }

  std::vector<const SettingGroup*> apps;
  std::vector<const SettingGroup*> more;
  std::partition_copy(remaining.begin(), remaining.end(), std::back_inserter(apps), std::back_inserter(more),
                      [](const SettingGroup* group) { return group->isApp(); });
  if (!apps.empty()) {
    const LocalizedOrder order;
    std::stable_sort(apps.begin(), apps.end(), [&](const SettingGroup* a, const SettingGroup* b) {
      if (a->count() != b->count()) return a->count() > b->count();
      return order.before(a->name, b->name);
    });
    sections.push_back({"apps", "Apps", std::move(apps)});
  }
  if (!more.empty()) sections.push_back({"more", "More", std::move(more)});
  return sections;
}

std::vector<SidebarSection> SidebarSection::build(const std::vector<SettingGroup>& groups) {
  std::vector<SidebarSection> sections;
  for (const auto& outlined : outline(groups)) {
    SidebarSection section{outlined.id, outlined.title, {}};
    for (const auto* group : outlined.groups) section.groups.push_back(*group);
    sections.push_back(std::move(section));
  }
  return sections;
}

}  // namespace amberloom
