#include "Catalog/SettingGroup.hpp"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "Support/LocalizedOrder.hpp"

namespace amberloom {
namespace {

using Members = std::vector<const SettingDefinition*>;

// Settings split by key, keys in order of first appearance, members in input order.
struct Partition {
  std::vector<std::string> keys;
  std::unordered_map<std::string, Members> members;

  void add(std::string key, const SettingDefinition& setting) {
    auto [slot, inserted] = members.try_emplace(key);
    if (inserted) keys.push_back(std::move(key));
    slot->second.push_back(&setting);
  }
};

std::string groupKey(const SettingDefinition& setting, std::string (*prefix)(const std::string&)) {
  if (!setting.text) return prefix(setting.id);
  const SettingText& text = *setting.text;
  if (text.category == "apps" && text.subcategory && !text.subcategory->empty()) return *text.subcategory;
  return text.category;
}

// Label order in the user's locale; equal labels by id. Labels that differ but rank the same keep
// their input order (the sort is stable).
void sortMembers(Members& members, const LocalizedOrder& order) {
  std::stable_sort(members.begin(), members.end(), [&](const SettingDefinition* a, const SettingDefinition* b) {
    if (a->label == b->label) return a->id < b->id;
    return order.before(a->label, b->label);
  });
}

// The first user-perceived character upper-cased with the full Unicode mapping ("ß" gives "SS"),
// the rest unchanged.
std::string upperCasingFirstCharacter(const std::string& text) {
  if (text.empty()) return text;
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> characters(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  int32_t end = unicode.moveIndex32(0, 1);
  if (U_SUCCESS(status) && characters) {
    characters->setText(unicode);
    const int32_t next = characters->next();
    if (next != icu::BreakIterator::DONE) end = next;
  }
  icu::UnicodeString first(unicode, 0, end);
  first.toUpper(icu::Locale::getRoot());
  std::string result;
  first.toUTF8String(result);
  unicode.tempSubString(end).toUTF8String(result);
  return result;
}

}  // namespace

const std::map<std::string, std::string>& SettingGroup::names() {
  static const std::map<std::string, std::string> table = {
      {"a11y", "Accessibility"},
      {"activitymonitor", "Activity Monitor"},
      {"desktopservices", "Desktop Services"},
      {"global", "System-wide"},
      {"helpviewer", "Help Viewer"},
      {"imagecapture", "Image Capture"},
      {"quicktime", "QuickTime"},
      {"screensaver", "Screen Saver"},
      {"sshot", "Screenshots"},
      {"syspref", "System Settings"},
      {"textedit", "TextEdit"},
      {"timemachine", "Time Machine"},
      {"wm", "Window Manager"},
  };
  return table;
}

std::string SettingGroup::prefix(const std::string& id) { return id.substr(0, id.find('.')); }

std::string SettingGroup::displayName(const std::string& prefix) {
  const auto& table = names();
  if (const auto found = table.find(prefix); found != table.end()) return found->second;
  return upperCasingFirstCharacter(prefix);
}

std::string SettingGroup::displayName(const std::string& key, const Members& members) {
  if (key.starts_with("apps_"))
    for (const auto* member : members)
      if (member->text && member->text->subcategoryName) return *member->text->subcategoryName;
  for (const auto* member : members)
    if (member->text) return member->text->categoryName;
  return displayName(key);
}

std::vector<SettingGroup> SettingGroup::build(const std::vector<SettingDefinition>& settings) {
  return build(SettingList(settings));
}

std::vector<SettingGroup> SettingGroup::build(const SettingList& settings) {
  Partition partition;
  for (const auto& setting : settings) partition.add(groupKey(setting, &prefix), setting);

  const LocalizedOrder order;
  std::vector<SettingGroup> groups;
  groups.reserve(partition.keys.size());
  for (const auto& key : partition.keys) {
    Members& members = partition.members.at(key);
    std::string name = displayName(key, members);  // from the members as they came in
    sortMembers(members, order);
    groups.push_back({key, std::move(name), SettingList(settings.definitions(), std::move(members))});
  }
  std::stable_sort(groups.begin(), groups.end(), [&](const SettingGroup& a, const SettingGroup& b) {
    if (a.name == b.name) return a.id < b.id;
    return order.before(a.name, b.name);
  });
  return groups;
}

std::vector<SettingSubgroup> SettingSubgroup::build(const std::vector<SettingDefinition>& settings) {
  return build(SettingList(settings));
}

std::vector<SettingSubgroup> SettingSubgroup::build(const SettingList& settings) {
  Partition partition;
  for (const auto& setting : settings)
    partition.add(setting.text && setting.text->subcategory ? *setting.text->subcategory : std::string(), setting);
  if (partition.keys.size() < 2) return {};

  const LocalizedOrder order;
  std::vector<SettingSubgroup> subgroups;
  subgroups.reserve(partition.keys.size());
  for (const auto& key : partition.keys) {
    Members& members = partition.members.at(key);
    SettingSubgroup subgroup{key.empty() ? "other" : key, key.empty() ? "Other" : key, {}};
    if (!key.empty())
      for (const auto* member : members)
        if (member->text->subcategoryName) {
          subgroup.title = *member->text->subcategoryName;
          break;
        }
    sortMembers(members, order);
    subgroup.settings = SettingList(settings.definitions(), std::move(members));
    subgroups.push_back(std::move(subgroup));
  }
  std::stable_sort(subgroups.begin(), subgroups.end(), [&](const SettingSubgroup& a, const SettingSubgroup& b) {
    const bool aOther = a.id == "other", bOther = b.id == "other";
    if (aOther != bOther) return bOther;
    if (a.settings.size() != b.settings.size()) return a.settings.size() > b.settings.size();
    if (const int byTitle = order.compare(a.title, b.title); byTitle != 0) return byTitle < 0;
    return a.id < b.id;  // left open otherwise; by id so every run agrees
  });
  return subgroups;
}

}  // namespace amberloom
