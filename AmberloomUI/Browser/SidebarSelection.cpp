#include "Browser/SidebarSelection.hpp"

#include <array>
#include <utility>

#include "Support/CanonicalText.hpp"

namespace amberloom::ui {
namespace {

using Page = SidebarSelection::Page;

constexpr std::array<std::pair<Page, const char*>, 7> kPageNames{{
    {Page::group, "group"},
    {Page::carried, "carried"},
    {Page::myMacs, "myMacs"},
    {Page::recipes, "recipes"},
    {Page::manualGuide, "manualGuide"},
    {Page::account, "account"},
    {Page::repairs, "repairs"},
}};

constexpr std::string_view kGroupPrefix = "group:";

}  // namespace

const char* SidebarSelection::pageName(Page page) {
  for (const auto& [candidate, name] : kPageNames)
    if (candidate == page) return name;
  return "group";
}

std::optional<SidebarSelection::Page> SidebarSelection::pageNamed(const std::string& name) {
  for (const auto& [page, candidate] : kPageNames)
    if (name == candidate) return page;
  return std::nullopt;
}

std::optional<SidebarSelection> SidebarSelection::fromStored(const std::optional<std::string>& stored) {
  if (!stored) return std::nullopt;
  // "account" was never stored for the account page in a form that comes back as that page.
  const auto page = pageNamed(*stored);
  if (page && *page != Page::group && *page != Page::account) return SidebarSelection::page(*page);
  if (stored->starts_with(kGroupPrefix)) return group(stored->substr(kGroupPrefix.size()));
  return group(*stored);
}

bool SidebarSelection::operator==(const SidebarSelection& other) const {
  return page_ == other.page_ && canonicallyEqual(groupID_, other.groupID_);
}

std::string SidebarSelection::stored() const {
  if (page_ == Page::group) return std::string(kGroupPrefix) + groupID_;
  return pageName(page_);
}

}  // namespace amberloom::ui
