#include "Browser/SidebarList.hpp"

#include "Catalog/SidebarSection.hpp"
#include "Kit/GroupSymbols.hpp"
#include "Kit/Localized.hpp"

namespace amberloom::ui {

namespace {

using Page = SidebarSelection::Page;

// Prefixed so that no catalogue section id can take the place of a fixed one.
const QString kSyncSection = QStringLiteral("fixed.sync");
const QString kStartSection = QStringLiteral("fixed.start");

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SidebarList::SidebarList(QObject* parent) : QAbstractListModel(parent) { rebuild(); }

void SidebarList::setSettingsModel(SettingsModel* model) {
  if (model == settingsModel_) return;
  if (selectionWatch_) disconnect(selectionWatch_);
  settingsModel_ = model;
  if (model) selectionWatch_ = connect(model, &SettingsModel::selectionChanged, this, &SidebarList::selectionChanged);
  rebuild();
  emit settingsModelChanged();
}

void SidebarList::setHasGuide(bool hasGuide) {
  if (hasGuide == hasGuide_) return;
  hasGuide_ = hasGuide;
  rebuild();
  emit hasGuideChanged();
}

void SidebarList::setRepairCount(int count) {
  if (count == repairCount_) return;
  repairCount_ = count;
  for (std::size_t row = 0; row < entries_.size(); ++row) {
    if (entries_[row].selection != SidebarSelection::page(Page::repairs)) continue;
    entries_[row].count = repairEntryCount();
    const auto changed = index(static_cast<int>(row));
    emit dataChanged(changed, changed, {CountRole, HasCountRole});
  }
  emit repairCountChanged();
}

std::optional<int> SidebarList::repairEntryCount() const {
  return repairCount_ >= 1 ? std::optional<int>(repairCount_) : std::nullopt;
}

QString SidebarList::brandSubtitle(int editableCount, int carriedCount) {
  if (carriedCount < 1) return localized("%lld settings", {editableCount});
  return localized("%lld settings · %lld editable", {editableCount + carriedCount, editableCount});
}

QString SidebarList::subtitle() const {
  if (!settingsModel_) return brandSubtitle(0, 0);
  return brandSubtitle(settingsModel_->editableCount(), settingsModel_->carriedCount());
}

void SidebarList::rebuild() {
  beginResetModel();
  entries_.clear();
  sectionTitles_ = {{kSyncSection, tr("Sync")}, {kStartSection, tr("Start here")}};
  const int carried = settingsModel_ ? settingsModel_->carriedCount() : 0;
  entries_.push_back({kSyncSection, tr("My Macs"), "laptopcomputer.and.iphone", {}, SidebarSelection::page(Page::myMacs), tr("My Macs")});
  entries_.push_back({kSyncSection, tr("Account"), "person.crop.circle", {}, SidebarSelection::page(Page::account), tr("Account")});
  entries_.push_back({kStartSection, tr("Recent changes"), "arrow.uturn.backward.circle", repairEntryCount(),
                      SidebarSelection::page(Page::repairs), tr("Recent changes")});
  entries_.push_back({kStartSection, tr("Quick setups"), "wand.and.stars", {}, SidebarSelection::page(Page::recipes), tr("Quick setups")});
  entries_.push_back({kStartSection, tr("Backed up for you"), "arrow.left.arrow.right", carried,
                      SidebarSelection::page(Page::carried), localized("Backed up for you, %lld settings", {carried})});
  if (hasGuide_)
    entries_.push_back({kStartSection, tr("Set up by hand"), "hand.raised", {}, SidebarSelection::page(Page::manualGuide), tr("Set up by hand")});
  if (settingsModel_) {
    for (const auto& section : SidebarSection::outline(settingsModel_->groups())) {
      const QString sectionID = qs(section.id);
      sectionTitles_.emplace_back(sectionID, qs(section.title));
      for (const auto* entry : section.groups) {
        const SettingGroup& group = *entry;
        const int count = static_cast<int>(group.count());
        // Filled in one pass, so a marker such as "%1" in a group's name stays as written.
        entries_.push_back({sectionID, qs(group.name), qs(GroupSymbol::name(group)), count, SidebarSelection::group(group.id),
                            localized("%@, %lld settings", {qs(group.name), QString::number(count)})});
      }
    }
  }
  endResetModel();
  updateSelectedRow();
}

void SidebarList::selectionChanged() {
  if (entries_.empty()) return;
  emit dataChanged(index(0), index(static_cast<int>(entries_.size()) - 1), {IsSelectedRole});
  updateSelectedRow();
}

void SidebarList::updateSelectedRow() {
  int selected = -1;
  for (std::size_t row = 0; settingsModel_ && row < entries_.size() && selected < 0; ++row)
    if (settingsModel_->selection() == entries_[row].selection) selected = static_cast<int>(row);
  if (selected == selectedRow_) return;
  selectedRow_ = selected;
  emit selectedRowChanged();
}

void SidebarList::select(int row) {
  if (!settingsModel_ || row < 0 || row >= static_cast<int>(entries_.size())) return;
  settingsModel_->setSelection(entries_[static_cast<std::size_t>(row)].selection);
}

QString SidebarList::sectionTitle(const QString& sectionID) const {
  for (const auto& [id, title] : sectionTitles_)
    if (id == sectionID) return title;
  return {};
}

int SidebarList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant SidebarList::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const Entry& entry = entries_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case TitleRole: return entry.title;
    case SectionIDRole: return entry.sectionID;
    case SymbolRole: return entry.symbol;
    case CountRole: return entry.count.value_or(0);
    case HasCountRole: return entry.count.has_value();
    case IsSelectedRole: return settingsModel_ && settingsModel_->selection() == entry.selection;
    case AccessibleNameRole: return entry.accessibleName;
    case KeyRole: return qs(entry.selection.stored());
    default: return {};
  }
}

QHash<int, QByteArray> SidebarList::roleNames() const {
  return {{SectionIDRole, "sectionID"}, {TitleRole, "title"},
          {SymbolRole, "symbol"},       {CountRole, "count"},
          {HasCountRole, "hasCount"},   {IsSelectedRole, "isSelected"},
          {AccessibleNameRole, "accessibleName"}, {KeyRole, "key"}};
}

}  // namespace amberloom::ui
