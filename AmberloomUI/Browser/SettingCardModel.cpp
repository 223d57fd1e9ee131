#include "Browser/SettingCardModel.hpp"

#include <QStringList>

#include "Kit/DisplayText.hpp"
#include "Kit/GroupSymbols.hpp"

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SettingCardModel::SettingCardModel(QObject* parent) : QObject(parent) {}

SettingCardModel::~SettingCardModel() = default;

void SettingCardModel::setModel(SettingsModel* model) {
  if (model == model_) return;
  disconnect(modelWatch_);
  model_ = model;
  // The setting belongs to the model: a model that goes leaves the card without one.
  if (model) modelWatch_ = connect(model, &QObject::destroyed, this, [this] { resolve(); });
  resolve();
}

void SettingCardModel::setSettingID(const QString& settingID) {
  if (settingID == settingID_) return;
  settingID_ = settingID;
  resolve();
}

void SettingCardModel::resolve() {
  disconnect(valueWatch_);
  setting_ = model_ ? model_->setting(settingID_.toStdString()) : nullptr;
  texts_ = textsOfSetting();
  auto previous = std::move(control_);
  if (setting_) {
    SettingsModel* model = model_;
    const SettingDefinition* setting = setting_;
    control_ = std::make_unique<SettingControlAdapter>(
        *setting_, currentValue(), [model, setting](const PreferenceValue& value) { model->apply(value, *setting); }, this);
    valueWatch_ = connect(model_, &SettingsModel::valueChanged, this, [this](const QString& id) {
      if (id != settingID_) return;
      control_->setValue(currentValue());
      emit valueChanged();
    });
  }
  emit settingChanged();
  emit valueChanged();
  // Bindings have moved to the new control; the old one can go.
  previous.reset();
}

std::optional<PreferenceValue> SettingCardModel::currentValue() const {
  return setting_ && model_ ? model_->value(*setting_) : std::nullopt;
}

SettingCardModel::Texts SettingCardModel::textsOfSetting() const {
  if (!setting_) return {};
  Texts texts;
  texts.label = qs(setting_->label);
  const auto category = hasTexts() ? std::optional(setting_->text->category) : std::nullopt;
  texts.summary = hasTexts() ? qs(setting_->text->summary) : QString();
  texts.symbol = qs(GroupSymbol::nameForCategory(category));
  if (!setting_->restartsApps.empty()) texts.restartLine = tr("restarts ") + qs(setting_->restartsApps.front());
  texts.resetLabel = tr("Reset ") + texts.label + tr(" to the macOS default");
  texts.infoLabel = tr("What ") + texts.label + tr(" does");
  return texts;
}

QString SettingCardModel::whyHidden() const { return hasTexts() ? qs(setting_->text->whyHidden) : QString(); }

QString SettingCardModel::riskNote() const { return hasRiskNote() ? qs(*setting_->text->riskNote) : QString(); }

bool SettingCardModel::isSet() const { return currentValue().has_value(); }

QString SettingCardModel::accessibilityHint() const {
  if (!setting_) return {};
  QStringList sentences;
  if (hasTexts()) sentences << summary();
  if (isSet()) sentences << tr("Changed on this Mac");
  if (isUnreadable()) sentences << tr("Its value on this Mac cannot be read: the preference file is damaged");
  if (alsoInSystemSettings())
    sentences << tr("Also available in System Settings; it is here so it travels between your Macs");
  if (weakensSecurity())
    sentences << tr("Weakens security: turning this on removes a protection macOS applies by default");
  if (effectUnverified())
    sentences << tr("May do nothing: it saves properly, but we have never seen it actually change anything");
  if (!setting_->restartsApps.empty()) sentences << tr("Changing it restarts ") + qs(setting_->restartsApps.front());
  // Summaries end in a full stop of their own; the joints add one only where none is.
  return display::joinedSentences(sentences);
}

QString SettingCardModel::command() const {
  const auto text = setting_ && model_ ? model_->command(*setting_) : std::nullopt;
  return text ? qs(*text) : QString();
}

bool SettingCardModel::hasCommand() const { return setting_ && model_ && model_->command(*setting_).has_value(); }

void SettingCardModel::reset() {
  if (setting_ && model_) model_->reset(*setting_);
}

}  // namespace amberloom::ui
