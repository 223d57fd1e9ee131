#include "Browser/SettingControlAdapter.hpp"

#include <cstdint>

#include "Browser/SettingControlInput.hpp"
#include "Kit/SystemDialogs.hpp"
#include "Platform/HomeDirectory.hpp"

namespace amberloom::ui {

namespace input = SettingControlInput;
using ControlKind = SettingControl::Kind;

SettingControlAdapter::SettingControlAdapter(SettingDefinition setting, Value value, Apply apply, QObject* parent)
    : QObject(parent), setting_(std::move(setting)), value_(std::move(value)), apply_(std::move(apply)) {}

void SettingControlAdapter::setValue(Value value) {
  if (value == value_) return;
  value_ = std::move(value);
  emit changed();
}

QString SettingControlAdapter::kind() const { return QString::fromLatin1(SettingControl::kindName(setting_.control.kind())); }

QString SettingControlAdapter::accessibleDescription() const {
  switch (setting_.control.kind()) {
    // Unset, a slider says so and where its first step starts.
    case ControlKind::slider: return value_ ? formatted() : tr("macOS default, steps start at %1").arg(startText());
    case ControlKind::text: return tr("Press Return to save");
    case ControlKind::color: return colourName();
    case ControlKind::folder: return folderText() + QStringLiteral(". ") + tr("Opens a folder picker");
    // A switch's state is its role's to tell, but it has none while unset.
    case ControlKind::toggle: return value_ ? QString() : tr("macOS default");
    // A menu tells its entry itself.
    case ControlKind::choice:
    case ControlKind::unsupported: return {};
  }
  return {};
}

bool SettingControlAdapter::switchOn() const { return input::switchState(value_); }

double SettingControlAdapter::knob() const {
  const auto& range = setting_.control.range();
  return value_ ? input::knobPosition(value_, range) : input::startingNumber(setting_.type, range);
}

QString SettingControlAdapter::formatted() const {
  if (!value_) return tr("macOS default");
  return QString::fromStdString(input::sliderLabel(setting_.type, setting_.control.range(), value_));
}

QString SettingControlAdapter::startText() const {
  const auto& range = setting_.control.range();
  const double start = input::startingNumber(setting_.type, range);
  const auto startValue =
      setting_.type == SettingValueType::integer ? PreferenceValue::integer(static_cast<std::int64_t>(start)) : PreferenceValue::real(start);
  return QString::fromStdString(input::sliderLabel(setting_.type, range, startValue));
}

namespace {

// A value of its own that no option matches: shown as the first entry, "Custom".
bool showsCustom(const std::vector<ControlOption>& options, const std::optional<PreferenceValue>& value) {
  return value && input::selectedIndex(options, value) < 0;
}

}  // namespace

QStringList SettingControlAdapter::entries() const {
  QStringList entries;
  if (showsCustom(setting_.control.options(), value_)) entries << tr("Custom");
  for (const ControlOption& option : setting_.control.options()) entries << QString::fromStdString(option.label);
  return entries;
}

int SettingControlAdapter::currentEntry() const {
  if (!value_) return -1;
  return std::max(input::selectedIndex(setting_.control.options(), value_), 0);
}

QString SettingControlAdapter::choiceText() const {
  const int entry = currentEntry();
  return entry < 0 ? tr("macOS default") : entries().value(entry);
}

QString SettingControlAdapter::currentText() const { return QString::fromStdString(input::textReading(value_)); }

bool SettingControlAdapter::hasColour() const { return input::shownColour(value_).has_value(); }

QColor SettingControlAdapter::colour() const {
  const auto shown = input::shownColour(value_);
  return shown ? QColor::fromRgbF(float(shown->red), float(shown->green), float(shown->blue)) : QColor();
}

QString SettingControlAdapter::colourName() const {
  // Unset, the well shows no colour: macOS decides which.
  if (!value_) return tr("macOS default");
  const auto name = input::colourName(value_);
  return name ? QString::fromStdString(*name) : tr("Custom colour");
}

QString SettingControlAdapter::folderText() const {
  const auto text = input::folderText(value_, platform::homeDirectory());
  return text ? QString::fromStdString(*text) : tr("Default");
}

void SettingControlAdapter::hand(const std::optional<PreferenceValue>& value) {
  if (value && apply_) apply_(*value);
}

void SettingControlAdapter::flip(bool on) { hand(input::toggled(setting_.type, on)); }

void SettingControlAdapter::slide(double position) {
  hand(input::sliderValue(setting_.type, setting_.control.range(), position));
}

void SettingControlAdapter::nudge(int steps) {
  const auto& range = setting_.control.range();
  slide(input::nudgedPosition(setting_.type, range, value_, steps));
}

void SettingControlAdapter::pick(int entry) {
  const auto& options = setting_.control.options();
  const int option = entry - (showsCustom(options, value_) ? 1 : 0);
  if (option >= 0 && option < static_cast<int>(options.size()))
    hand(options[static_cast<std::size_t>(option)].value);
}

bool SettingControlAdapter::commit(const QString& draft) {
  const auto value = input::committedText(setting_.type, value_, draft.toStdString());
  hand(value);
  return value.has_value();
}

void SettingControlAdapter::pickColour(const QColor& picked) {
  if (!picked.isValid()) return;
  // Components of an extended (wide-gamut) colour can lie outside 0...1; the input clamps them.
  hand(input::pickedColour(picked.redF(), picked.greenF(), picked.blueF(), value_));
}

void SettingControlAdapter::chooseFolder(const QUrl& folder) {
  const auto path = SystemDialogs::localPath(folder);
  if (!path || path->isEmpty()) return;
  hand(PreferenceValue::string(path->toStdString()));
}

}  // namespace amberloom::ui
