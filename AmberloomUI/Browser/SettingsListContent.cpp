#include "Browser/SettingsListContent.hpp"

#include <algorithm>

#include "Catalog/SettingSearchIndex.hpp"
#include "Kit/DisplayText.hpp"
#include "Kit/Localized.hpp"

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// How much of the search text the note on an empty result repeats.
constexpr qsizetype kEchoedSearch = 80;

}  // namespace

// ---- rows ----

SettingsListRows::SettingsListRows(const SettingsModel& model, QObject* parent)
    : SettingListModel(model, parent), model_(model) {}

void SettingsListRows::show(std::vector<const SettingDefinition*> rows, std::vector<QString> subgroupOf, bool withGroupNames) {
  const bool sameRows = rows == rows_;
  if (sameRows && subgroupOf == subgroupOf_ && withGroupNames == withGroupNames_) return;
  const auto flat = [](const std::vector<QString>& subgroups) {
    return std::all_of(subgroups.begin(), subgroups.end(), [](const QString& id) { return id.isEmpty(); });
  };
  // Without headings on either side the cards are rebound in place (every keystroke of a search);
  // the view places headings only when it lays the list out anew.
  const bool inPlace = flat(subgroupOf) && flat(subgroupOf_);
  const bool badgesChange = withGroupNames != withGroupNames_;
  rows_ = rows;
  subgroupOf_ = std::move(subgroupOf);
  withGroupNames_ = withGroupNames;
  if (inPlace) {
    replaceRows(std::move(rows));
    if (badgesChange && !rows_.empty())
      emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1), {GroupNameRole});
    return;
  }
  if (!sameRows) {
    setRows(std::move(rows));  // resets
    return;
  }
  // The same cards under other headings: the view lays them out again.
  beginResetModel();
  endResetModel();
}

QVariant SettingsListRows::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (role == SubgroupIDRole) return row < subgroupOf_.size() ? subgroupOf_[row] : QString();
  if (role == GroupNameRole) {
    if (!withGroupNames_ || row >= rows_.size()) return QString();
    return qs(model_.groupName(*rows_[row]).value_or(""));
  }
  return SettingListModel::data(index, role);
}

QHash<int, QByteArray> SettingsListRows::roleNames() const {
  auto names = SettingListModel::roleNames();
  names.insert(SubgroupIDRole, "subgroupID");
  return names;
}

// ---- content ----

SettingsListContent::SettingsListContent(QObject* parent) : QObject(parent) {}

void SettingsListContent::setSettingsModel(SettingsModel* model) {
  if (model == settingsModel_) return;
  if (settingsModel_) disconnect(settingsModel_, nullptr, this, nullptr);
  delete rows_;
  rows_ = nullptr;
  settingsModel_ = model;
  if (model) {
    rows_ = new SettingsListRows(*model, this);
    for (auto signal : {&SettingsModel::visibleSettingsChanged, &SettingsModel::searchTextChanged,
                        &SettingsModel::selectionChanged, &SettingsModel::hiddenByRiskCountChanged,
                        &SettingsModel::discoverCardChanged})
      connect(model, signal, this, &SettingsListContent::scheduleUpdate);
    // A domain whose file turns unreadable, or readable again, changes the subtitle's count.
    connect(model, &SettingsModel::valueChanged, this, &SettingsListContent::scheduleUpdate);
  }
  update();
  emit settingsModelChanged();
}

void SettingsListContent::scheduleUpdate() {
  if (updatePending_) return;
  updatePending_ = true;
  QMetaObject::invokeMethod(this, &SettingsListContent::update, Qt::QueuedConnection);
}

void SettingsListContent::update() {
  updatePending_ = false;
  State next;
  if (!settingsModel_) {
    const bool changed = !(next == state_);
    state_ = next;
    if (changed) emit contentChanged();
    return;
  }
  const SettingsModel& model = *settingsModel_;
  const auto& visible = model.visibleSettings();
  next.isSearching = !trimmingHorizontalSpace(model.searchText().toStdString()).empty();

  std::vector<const SettingDefinition*> rows;
  std::vector<QString> subgroupOf;
  std::vector<std::pair<QString, QString>> headings;
  if (!next.isSearching) {
    // The visible settings are the model's own editable ones: the subgroups point at them.
    const SettingList members(model.editableSettings().definitions(), visible);
    for (const auto& subgroup : SettingSubgroup::build(members)) {
      const QString id = qs(subgroup.id);
      headings.emplace_back(id, qs(subgroup.title).toUpper());
      for (const auto& member : subgroup.settings) {
        rows.push_back(&member);
        subgroupOf.push_back(id);
      }
    }
  }
  next.isGrouped = !headings.empty();
  if (!next.isGrouped) {
    rows = visible;
    subgroupOf.clear();  // no headings: a search's tens of thousands of rows need no empty ids
  }
  headings_ = std::move(headings);
  rows_->show(std::move(rows), std::move(subgroupOf), next.isSearching);

  if (next.isSearching)
    next.title = tr("Search results");
  else if (const auto* group = model.selectedGroup())
    next.title = qs(group->name);
  else
    next.title = tr("Settings");
  const auto unreadable = std::count_if(visible.begin(), visible.end(),
                                        [&](const SettingDefinition* setting) { return model.isUnreadable(*setting); });
  const auto shown = static_cast<std::int64_t>(visible.size());
  next.subtitle = unreadable == 0 ? localized("%lld settings · all measured", {shown})
                                  : localized("%lld settings · %lld cannot be read", {shown, std::int64_t(unreadable)});
  next.firstSubgroupID = headings_.empty() ? QString() : headings_.front().first;
  if (model.hiddenByRiskCount() >= 1)
    next.hiddenNote =
        model.hiddenByRiskCount() == 1
            ? localized("1 setting here is hidden because it switches off a macOS protection. Settings ▸ Show them.")
            : localized("%lld settings here are hidden because they switch off a macOS protection. Settings ▸ Show them.",
                        {std::int64_t(model.hiddenByRiskCount())});
  if (visible.empty())
    // A pasted token of any length echoes in a line or two, not in thousands of wrapped ones.
    next.emptyNote = next.isSearching ? tr("No settings match “%1”.").arg(display::head(model.searchText(), kEchoedSearch))
                                      : tr("No settings in this group.");
  if (const auto card = model.discoverCard())
    if (const auto* setting = model.setting(card->settingID)) {
      next.tipSettingLabel = qs(setting->label);
      next.tipHasSetting = true;
    }

  const bool changed = !(next == state_);
  state_ = std::move(next);
  if (changed) emit contentChanged();
}

QString SettingsListContent::subgroupHeading(const QString& subgroupID) const {
  for (const auto& [id, heading] : headings_)
    if (id == subgroupID) return heading;
  return {};
}

}  // namespace amberloom::ui
