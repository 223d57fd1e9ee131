#pragma once
// One setting card's view of the settings model: the setting's texts, icon and marks, whether it
// is set on this Mac, the card's accessibility hint, the Terminal command for the detail sheet,
// and the setting's control, whose values go to `SettingsModel::apply`. The card writes nothing
// itself: the control applies through the model and `reset()` resets through it. Everything that
// depends on the value follows the model's `valueChanged` for this setting. Main thread only.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <memory>

#include "Browser/SettingControlAdapter.hpp"
#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

class SettingCardModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  // The card's setting: an editable setting of `model` by id. Until both name one, every text is
  // empty and `control` is null.
  Q_PROPERTY(amberloom::ui::SettingsModel* model READ model WRITE setModel NOTIFY settingChanged)
  Q_PROPERTY(QString settingID READ settingID WRITE setSettingID NOTIFY settingChanged)
  Q_PROPERTY(bool isValid READ isValid NOTIFY settingChanged)

  Q_PROPERTY(QString label READ label NOTIFY settingChanged)
  Q_PROPERTY(bool hasTexts READ hasTexts NOTIFY settingChanged)
  Q_PROPERTY(QString summary READ summary NOTIFY settingChanged)
  Q_PROPERTY(QString whyHidden READ whyHidden NOTIFY settingChanged)
  Q_PROPERTY(QString riskNote READ riskNote NOTIFY settingChanged)
  Q_PROPERTY(bool hasRiskNote READ hasRiskNote NOTIFY settingChanged)
  // The category's symbol name (the fallback symbol for a setting without texts).
  Q_PROPERTY(QString symbol READ symbol NOTIFY settingChanged)
  Q_PROPERTY(bool weakensSecurity READ weakensSecurity NOTIFY settingChanged)
  Q_PROPERTY(bool effectUnverified READ effectUnverified NOTIFY settingChanged)
  Q_PROPERTY(bool alsoInSystemSettings READ alsoInSystemSettings NOTIFY settingChanged)
  // "restarts " and the first app to restart; empty when none restarts.
  Q_PROPERTY(QString restartLine READ restartLine NOTIFY settingChanged)
  Q_PROPERTY(QString resetLabel READ resetLabel NOTIFY settingChanged)
  Q_PROPERTY(QString infoLabel READ infoLabel NOTIFY settingChanged)
  Q_PROPERTY(amberloom::ui::SettingControlAdapter* control READ control NOTIFY settingChanged)

  // Set on this Mac: the model holds a value of the setting's own.
  Q_PROPERTY(bool isSet READ isSet NOTIFY valueChanged)
  // The value cannot be read (the domain's file is damaged): neither set nor at the default.
  Q_PROPERTY(bool isUnreadable READ isUnreadable NOTIFY valueChanged)
  Q_PROPERTY(QString accessibilityHint READ accessibilityHint NOTIFY valueChanged)
  // The write command of the current value while set, else the delete command; "" with
  // hasCommand false when there is no one-line command.
  Q_PROPERTY(QString command READ command NOTIFY valueChanged)
  Q_PROPERTY(bool hasCommand READ hasCommand NOTIFY valueChanged)

 public:
  explicit SettingCardModel(QObject* parent = nullptr);
  ~SettingCardModel() override;

  SettingsModel* model() const { return model_; }
  void setModel(SettingsModel* model);
  QString settingID() const { return settingID_; }
  void setSettingID(const QString& settingID);
  bool isValid() const { return setting_ != nullptr; }

  QString label() const { return texts_.label; }
  bool hasTexts() const { return setting_ && setting_->text; }
  QString summary() const { return texts_.summary; }
  QString whyHidden() const;
  QString riskNote() const;
  bool hasRiskNote() const { return hasTexts() && setting_->text->riskNote; }
  QString symbol() const { return texts_.symbol; }
  bool weakensSecurity() const { return setting_ && setting_->risk == SettingRisk::weakensSecurity; }
  bool effectUnverified() const { return setting_ && setting_->effectUnverified; }
  bool alsoInSystemSettings() const { return setting_ && setting_->exposure == SettingExposure::alsoInSystemSettings; }
  QString restartLine() const { return texts_.restartLine; }
  QString resetLabel() const { return texts_.resetLabel; }
  QString infoLabel() const { return texts_.infoLabel; }
  SettingControlAdapter* control() const { return control_.get(); }

  bool isSet() const;
  bool isUnreadable() const { return setting_ && model_ && model_->isUnreadable(*setting_); }
  // The summary (when the setting has texts) and then one sentence per state that applies,
  // joined with ". ".
  QString accessibilityHint() const;
  QString command() const;
  bool hasCommand() const;

  // Puts the setting back to the macOS default through the model.
  Q_INVOKABLE void reset();

 signals:
  void settingChanged();
  void valueChanged();

 private:
  // The texts the card binds most, made once per setting: a list reusing the card rebinds them all.
  struct Texts {
    QString label, summary, symbol, restartLine, resetLabel, infoLabel;
  };
  // Finds the setting again, makes its texts and rebuilds the control.
  void resolve();
  Texts textsOfSetting() const;
  std::optional<PreferenceValue> currentValue() const;

  QPointer<SettingsModel> model_;
  QString settingID_;
  const SettingDefinition* setting_ = nullptr;  // owned by the model
  Texts texts_;
  std::unique_ptr<SettingControlAdapter> control_;
  QMetaObject::Connection valueWatch_;
  QMetaObject::Connection modelWatch_;
};

}  // namespace amberloom::ui
