#pragma once
// The sidebar's sections: the groups found in System Settings ("apple", "In System Settings"),
// then those only this application offers ("extra", "Only in AmberLoom"), each in a fixed order;
// then the groups of single apps ("apps", "Apps": more settings first, then by name in the user's
// locale); then every other group in input order ("more", "More"). Empty sections are left out.

#include <string>
#include <vector>

#include "Catalog/SettingGroup.hpp"

namespace amberloom {

struct SidebarSection {
  std::string id;
  std::string title;  // the heading
  std::vector<SettingGroup> groups;  // in display order

  bool operator==(const SidebarSection&) const = default;

  // Between none and four sections of `groups` (normally SettingGroup::build's output).
  static std::vector<SidebarSection> build(const std::vector<SettingGroup>& groups);

  // The same sections, pointing into `groups` instead of copying them (a large catalogue's groups
  // hold thousands of settings). Valid while `groups` is.
  struct Outline {
    std::string id;
    std::string title;
    std::vector<const SettingGroup*> groups;
  };
  static std::vector<Outline> outline(const std::vector<SettingGroup>& groups);

 private:
  struct Planned {
    const char* id;
    const char* title;
    std::vector<std::string> categories;  // group ids, in display order
  };
  static const std::vector<Planned>& plan();
};

}  // namespace amberloom
