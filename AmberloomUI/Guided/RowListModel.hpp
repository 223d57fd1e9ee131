#pragma once
// A list for the views made of plain rows: each row a map from role name to value, with the role
// names fixed at construction. Replacing the rows keeps the list in place when the count stays
// (only the rows that differ report a change) and resets it otherwise.

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class RowListModel : public QAbstractListModel {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(int count READ count NOTIFY countChanged)

 public:
  explicit RowListModel(QList<QByteArray> roles, QObject* parent = nullptr);

  // Rows whose maps lack a role read as an invalid value for it.
  void setRows(QList<QVariantMap> rows);
  const QList<QVariantMap>& rows() const { return rows_; }
  int count() const { return static_cast<int>(rows_.size()); }
  // The value of `role` in row `row`; invalid out of range. For views that need one field.
  Q_INVOKABLE QVariant get(int row, const QString& role) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();

 private:
  QList<QByteArray> roles_;
  QList<QVariantMap> rows_;
};

}  // namespace amberloom::ui
