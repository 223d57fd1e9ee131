#pragma once
// Some of the catalogue's settings, in an order of their own, without copies of them: each member
// points into one list of definitions, which every SettingList picked from it keeps alive and
// nobody changes. The settings window holds several such lists over the same thousands of
// definitions (the editable and the carried settings, each sidebar group, each group's subgroups);
// a copy of every definition in each would be most of what the catalogue costs in memory.
// Iterates as definitions, so a caller reads `for (const SettingDefinition& s : list)`.

#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "Catalog/SettingDefinition.hpp"

namespace amberloom {

class SettingList {
 public:
  using Definitions = std::shared_ptr<const std::vector<SettingDefinition>>;
  using Members = std::vector<const SettingDefinition*>;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = SettingDefinition;
    using difference_type = std::ptrdiff_t;
    using pointer = const SettingDefinition*;
    using reference = const SettingDefinition&;

    const_iterator() = default;
    explicit const_iterator(Members::const_iterator at) : at_(at) {}
    reference operator*() const { return **at_; }
    pointer operator->() const { return *at_; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    Members::const_iterator at_;
  };
  using iterator = const_iterator;

  SettingList() = default;
  // Every definition of `definitions`, in its order.
  explicit SettingList(Definitions definitions);
  // Copies of `settings`, in their order, held by this list (and the lists picked from it).
  explicit SettingList(std::vector<SettingDefinition> settings);
  // `members`, each of them an element of `*definitions`.
  SettingList(Definitions definitions, Members members)
      : definitions_(std::move(definitions)), members_(std::move(members)) {}

  std::size_t size() const { return members_.size(); }
  bool empty() const { return members_.empty(); }
  const SettingDefinition& operator[](std::size_t index) const { return *members_[index]; }
  const SettingDefinition& front() const { return *members_.front(); }
  const_iterator begin() const { return const_iterator(members_.begin()); }
  const_iterator end() const { return const_iterator(members_.end()); }

  // The definitions the members point into; a pointer to a member stays valid while any list
  // shares them.
  const Definitions& definitions() const { return definitions_; }
  // The members `keep` accepts, in this list's order, over the same definitions.
  SettingList filtered(const std::function<bool(const SettingDefinition&)>& keep) const;

  // Equal definitions in the same order, wherever each list holds them.
  bool operator==(const SettingList& other) const;

 private:
  Definitions definitions_;
  Members members_;
};

}  // namespace amberloom
