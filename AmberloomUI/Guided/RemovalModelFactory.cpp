#include "Guided/RemovalModelFactory.hpp"

namespace amberloom::ui {

RemovalModelFactory::RemovalModelFactory(Make make, QObject* parent) : QObject(parent), make_(std::move(make)) {}

RemovalModel* RemovalModelFactory::make() {
  if (current_) current_->deleteLater();
  current_ = make_().release();
  current_->setParent(this);
  return current_;
}

}  // namespace amberloom::ui
