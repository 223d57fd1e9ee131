#pragma once
// The differences of the Mac selected on the My Macs page that need the user's attention, kept by
// the sync model, with which are ticked for copying, which pinned, and why a setting waits for its
// tick rather than coming over by itself. Changed in place when only its values change, and reset
// when its rows come and go.

#include <QtQml/qqmlregistration.h>
#include <set>
#include <string>
#include <vector>

#include "Account/ReplacingListModel.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Sync/SyncRow.hpp"
#include "Sync/SyncRowCaution.hpp"

namespace amberloom::ui {

class DifferenceListModel : public ReplacingListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Kept by the sync model")

 public:
  enum Role {
    SettingIDRole = Qt::UserRole,
    LabelRole,
    DifferenceRole,
    IsTickedRole,
    IsPinnedRole,
    CautionRole,       // why it waits for its tick; empty when it may come over by itself
    IsProtectionRole,  // it controls a macOS protection
    CanTickRole,       // it can be copied at all: a value of the wrong kind has no tick box
  };

  explicit DifferenceListModel(QObject* parent = nullptr);

  // `cautions` holds one entry per row; the catalogue gives the protections' notes.
  void update(const std::vector<SyncRow>& rows, const std::set<std::string>& ticked,
              const std::vector<std::optional<SyncRowCaution>>& cautions, const SettingsCatalog& catalog);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  struct Card {
    SyncRow row;
    QString caution;
    bool isProtection = false;
    bool canTick = true;
    bool operator==(const Card&) const = default;
  };
  std::vector<Card> cards_;
  std::set<std::string> ticked_;
};

}  // namespace amberloom::ui
