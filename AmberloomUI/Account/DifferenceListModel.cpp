#include "Account/DifferenceListModel.hpp"

#include "Account/SyncTexts.hpp"

namespace amberloom::ui {

DifferenceListModel::DifferenceListModel(QObject* parent) : ReplacingListModel(parent) {}

void DifferenceListModel::update(const std::vector<SyncRow>& rows, const std::set<std::string>& ticked,
                                 const std::vector<std::optional<SyncRowCaution>>& cautions,
                                 const SettingsCatalog& catalog) {
  std::vector<Card> cards;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Card card{rows[i], {}, false, true};
    if (i < cautions.size() && cautions[i]) {
      card.caution = synctexts::caution(*cautions[i], catalog.setting(rows[i].settingID));
      card.isProtection = cautions[i]->reason == SyncRowCaution::Reason::weakensSecurity;
      card.canTick = !cautions[i]->blocksCopy();
    }
    cards.push_back(std::move(card));
  }
  const bool tickChanged = ticked != ticked_;
  ticked_ = ticked;
  replaceRows(cards_, std::move(cards), [](const Card& card) { return card.row.settingID; }, tickChanged);
}

int DifferenceListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(cards_.size());
}

QVariant DifferenceListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const Card& card = cards_[static_cast<std::size_t>(index.row())];
  const SyncRow& row = card.row;
  switch (role) {
    case SettingIDRole: return QString::fromStdString(row.settingID);
    case Qt::DisplayRole:
    case LabelRole: return QString::fromStdString(row.label);
    case DifferenceRole: return synctexts::describe(row.difference);
    case IsTickedRole: return ticked_.contains(row.settingID);
    case IsPinnedRole: return row.pinnedToThisMac;
    case CautionRole: return card.caution;
    case IsProtectionRole: return card.isProtection;
    case CanTickRole: return card.canTick;
    default: return {};
  }
}

QHash<int, QByteArray> DifferenceListModel::roleNames() const {
  return {{SettingIDRole, "settingID"},
          {LabelRole, "label"},
          {DifferenceRole, "difference"},
          {IsTickedRole, "isTicked"},
          {IsPinnedRole, "isPinned"},
          {CautionRole, "caution"},
          {IsProtectionRole, "isProtection"},
          {CanTickRole, "canTick"}};
}

}  // namespace amberloom::ui
