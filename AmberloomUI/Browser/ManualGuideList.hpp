#pragma once
// The manual guide for the guide page: its intro and one row per section. A section's steps are a
// list of {number, action, expectation} in guide order, numbered from 1 by position: two steps may
// read the same, so a step is told apart by where it stands, never by its text.

#include <QAbstractListModel>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "Catalog/ManualGuide.hpp"

namespace amberloom::ui {

class ManualGuideList : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The manual guide is loaded by the application")
  Q_PROPERTY(QString intro READ intro CONSTANT)
  Q_PROPERTY(QString subtitle READ subtitle CONSTANT)

 public:
  enum Role {
    SectionIDRole = Qt::UserRole + 1,
    TitleRole,
    SystemSettingsPathRole,  // empty when the section names none
    ReasonRole,
    ReasonKindRole,  // "impossible" or "refused"
    StepsRole,
    VerifyRole,
    NoteRole,  // empty when the section has none
  };

  ManualGuideList(ManualGuide guide, QObject* parent = nullptr);

  const ManualGuide& guide() const { return guide_; }
  QString intro() const { return QString::fromStdString(guide_.intro()); }
  // The number of sections, then " things this app leaves to you".
  QString subtitle() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  static QVariantList steps(const ManualSection& section);

  ManualGuide guide_;
};

}  // namespace amberloom::ui
