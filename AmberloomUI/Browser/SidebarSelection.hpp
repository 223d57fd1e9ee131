#pragma once
// What the sidebar has selected: a settings group by id, or one of the fixed pages. Stored in the
// application preference "lastSelectedGroup" as "group:" and the id, or as the page's name.

#include <optional>
#include <string>

namespace amberloom::ui {

class SidebarSelection {
 public:
  enum class Page { group, carried, myMacs, recipes, manualGuide, account, repairs };

  static SidebarSelection group(std::string id) { return SidebarSelection(Page::group, std::move(id)); }
  static SidebarSelection page(Page page) { return SidebarSelection(page, {}); }

  // Reads a stored text: none for none; "carried", "myMacs", "recipes", "manualGuide" and
  // "repairs" give their page; "group:<id>" the group <id> (possibly empty); any other text,
  // "account" included, is taken as a bare group id.
  static std::optional<SidebarSelection> fromStored(const std::optional<std::string>& stored);
  // The page of a name as `pageName` gives it, "account" included; none for another text.
  static std::optional<Page> pageNamed(const std::string& name);
  static const char* pageName(Page page);  // "group", "carried", "myMacs", ...

  Page kind() const { return page_; }
  bool isGroup() const { return page_ == Page::group; }
  // The group id; empty for a page.
  const std::string& groupID() const { return groupID_; }
  // The text stored in "lastSelectedGroup".
  std::string stored() const;

  // The same case and, for a group, canonically equivalent ids ("é" precomposed or with a mark).
  bool operator==(const SidebarSelection& other) const;

 private:
  SidebarSelection(Page page, std::string groupID) : page_(page), groupID_(std::move(groupID)) {}
  Page page_;
  std::string groupID_;
};

}  // namespace amberloom::ui
