#include "Kit/MacName.hpp"

#include "Kit/DisplayText.hpp"
#include "Kit/Localized.hpp"
#include "Support/DeviceName.hpp"

namespace amberloom::ui {

QString macName(const std::string& name) {
  if (isBlankName(name)) return localized(kUnnamedMac);
  return display::oneLine(QString::fromStdString(name), 100);
}

}  // namespace amberloom::ui
