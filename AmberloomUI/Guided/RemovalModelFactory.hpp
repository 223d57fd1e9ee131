#pragma once
// Makes the removal screen's model afresh, over a fresh uninstall service, each time the removal
// sheet opens, so that every opening plans from what is on disk now. The factory owns the model
// it made last; making the next one lets the previous one go.

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

#include "Guided/RemovalModel.hpp"

namespace amberloom::ui {

class RemovalModelFactory : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")

 public:
  using Make = std::function<std::unique_ptr<RemovalModel>()>;

  explicit RemovalModelFactory(Make make, QObject* parent = nullptr);

  // A new model; the one made before is deleted once control returns to the event loop.
  Q_INVOKABLE amberloom::ui::RemovalModel* make();

 private:
  Make make_;
  QPointer<RemovalModel> current_;
};

}  // namespace amberloom::ui
