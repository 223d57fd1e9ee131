#pragma once
// The sidebar's groups of settings and the subgroups of one group's settings.
//
// A setting's group key is its text category (its subcategory when the category is "apps" and the
// subcategory is not empty), or for a setting without texts the part of its id before the first
// ".". Groups are named from their members' texts, else from `names()`, else from the key with its
// first character upper-cased. Members are ordered by label in the user's locale (equal labels by
// id), groups by name (equal names by id); see LocalizedOrder. Groups and subgroups share the
// definitions they were built from (SettingList) rather than copying them.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "Catalog/SettingList.hpp"
#include "Catalog/SettingsCatalog.hpp"

namespace amberloom {

struct SettingGroup {
  std::string id;  // the group key, unique among the groups of one build
  std::string name;
  SettingList settings;  // in member order

  std::size_t count() const { return settings.size(); }
  bool isApp() const { return id.starts_with("apps_"); }
  bool operator==(const SettingGroup&) const = default;

  // The groups of `settings`, in group order; none for no settings. The groups share the
  // definitions `settings` points into.
  static std::vector<SettingGroup> build(const SettingList& settings);
  // The same over one copy of `settings`, which all the groups share.
  static std::vector<SettingGroup> build(const std::vector<SettingDefinition>& settings);
  // The name of a group whose members have no texts: the table name of `prefix`, else `prefix`
  // with its first character upper-cased ("dock" gives "Dock", "" gives "").
  static std::string displayName(const std::string& prefix);
  // Names of the groups of settings without texts, by key ("sshot" -> "Screenshots").
  static const std::map<std::string, std::string>& names();

 private:
  // The id up to its first "." (the whole id without one, "" when it starts with ".").
  static std::string prefix(const std::string& id);
  // The group's name from its members in input order.
  static std::string displayName(const std::string& key, const std::vector<const SettingDefinition*>& members);
};

struct SettingSubgroup {
  std::string id;  // the subcategory key, or "other" for members without one
  std::string title;
  SettingList settings;  // in member order

  bool operator==(const SettingSubgroup&) const = default;

  // The subgroups of `settings` (normally one group's): "other" last, then more members first,
  // then by title in the user's locale, then by id. Empty when they form fewer than two subgroups.
  // The subgroups share the definitions `settings` points into.
  static std::vector<SettingSubgroup> build(const SettingList& settings);
  // The same over one copy of `settings`, which all the subgroups share.
  static std::vector<SettingSubgroup> build(const std::vector<SettingDefinition>& settings);
};

}  // namespace amberloom
