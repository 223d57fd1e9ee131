#include "Catalog/SettingList.hpp"

#include <algorithm>

namespace amberloom {

SettingList::SettingList(Definitions definitions) : definitions_(std::move(definitions)) {
  if (!definitions_) return;
  members_.reserve(definitions_->size());
  for (const auto& definition : *definitions_) members_.push_back(&definition);
}

SettingList::SettingList(std::vector<SettingDefinition> settings)
    : SettingList(std::make_shared<const std::vector<SettingDefinition>>(std::move(settings))) {}

SettingList SettingList::filtered(const std::function<bool(const SettingDefinition&)>& keep) const {
  Members kept;
  for (const auto* member : members_)
    if (keep(*member)) kept.push_back(member);
  return SettingList(definitions_, std::move(kept));
}

bool SettingList::operator==(const SettingList& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

}  // namespace amberloom
