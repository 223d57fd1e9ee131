#pragma once
// Finding settings by what the user types: each setting's label, id and summary, lower-cased once
// into one text, and a query that must occur in it as one contiguous run. Upper and lower case
// match each other, and so do canonically equivalent spellings (a letter with a combining mark
// and the precomposed letter); accents are not folded, so "é" never finds "e".

#include <string>
#include <string_view>
#include <vector>

#include "Catalog/SettingGroup.hpp"

namespace amberloom {

// `text` without the tabs and Unicode space separators at either end; line breaks stay.
std::string trimmingHorizontalSpace(std::string_view text);

class SettingSearchIndex {
 public:
  // Indexes every setting of `groups`, in group order and then member order. The settings are
  // referred to, not copied: the groups must outlive the index and never change.
  explicit SettingSearchIndex(const std::vector<SettingGroup>& groups);

  // The full Unicode lower-case mapping of `text` (not locale-specific), in composed form.
  static std::string folded(std::string_view text);
  // "<label> <id> <summary>" folded; the summary is empty for a setting without texts.
  static std::string haystack(const SettingDefinition& setting);

  // The indexed settings whose haystack contains folded(`query`), in index order. The query is
  // taken as it is (trim it first); an empty query finds every setting.
  std::vector<const SettingDefinition*> find(std::string_view query) const;

  std::size_t size() const { return settings_.size(); }

 private:
  // Every haystack in one text, each followed by a byte that no folded text holds (0xFF is never
  // part of UTF-8), so one pass of a fast substring search covers them all and no match spans two.
  std::string haystacks_;
  std::vector<std::size_t> starts_;  // where each setting's haystack begins in `haystacks_`
  std::vector<const SettingDefinition*> settings_;
};

}  // namespace amberloom
