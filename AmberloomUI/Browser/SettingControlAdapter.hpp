#pragma once
// One setting's control as the view `SettingControlView` needs it: which of the six controls the
// setting gets, what it shows for the current value, and the input operations that turn a flip,
// a slider position, a menu entry, a typed draft, a picked colour or a chosen folder into a value
// of the setting's kind. Each input hands its value to the `apply` action and nothing else:
// nothing here writes, removes or keeps a value; what the control shows next comes from the value
// the owner sets afterwards. Main thread only.

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom::ui {

class SettingControlAdapter : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("A control is made for a setting by its owner")
  // "choice", "slider", "toggle", "text", "color", "folder" or "unsupported".
  Q_PROPERTY(QString kind READ kind NOTIFY changed)
  Q_PROPERTY(QString label READ label NOTIFY changed)
  // The value or hint a screen reader gives after the label ("" when the control's own role
  // carries its value, as a set switch's state or a menu's entry do).
  Q_PROPERTY(QString accessibleDescription READ accessibleDescription NOTIFY changed)
  Q_PROPERTY(bool switchOn READ switchOn NOTIFY changed)
  // No value of its own on this Mac: the switch shows neither on nor off, the menu no entry.
  Q_PROPERTY(bool isUnset READ isUnset NOTIFY changed)
  Q_PROPERTY(double minimum READ minimum NOTIFY changed)
  Q_PROPERTY(double maximum READ maximum NOTIFY changed)
  // The slider's step (0: none).
  Q_PROPERTY(double step READ step NOTIFY changed)
  // Where the knob stands: the value's reading, or while unset where the first step starts.
  Q_PROPERTY(double knob READ knob NOTIFY changed)
  // The value label: the reading, or "macOS default" while unset.
  Q_PROPERTY(QString formatted READ formatted NOTIFY changed)
  // The reading of where an unset slider's first step starts.
  Q_PROPERTY(QString startText READ startText NOTIFY changed)
  // The menu's entries: "Custom" first while a value matches none of the options, then the options.
  Q_PROPERTY(QStringList entries READ entries NOTIFY changed)
  // The entry of the value; -1 while unset.
  Q_PROPERTY(int currentEntry READ currentEntry NOTIFY changed)
  // What the closed menu shows: the current entry, or that macOS decides while unset.
  Q_PROPERTY(QString choiceText READ choiceText NOTIFY changed)
  Q_PROPERTY(QString currentText READ currentText NOTIFY changed)
  // Whether the value holds a colour; without one the view shows the accent colour.
  Q_PROPERTY(bool hasColour READ hasColour NOTIFY changed)
  Q_PROPERTY(QColor colour READ colour NOTIFY changed)
  Q_PROPERTY(QString colourName READ colourName NOTIFY changed)
  Q_PROPERTY(QString folderText READ folderText NOTIFY changed)

 public:
  using Value = std::optional<PreferenceValue>;
  using Apply = std::function<void(const PreferenceValue&)>;

  SettingControlAdapter(SettingDefinition setting, Value value, Apply apply, QObject* parent = nullptr);

  const SettingDefinition& setting() const { return setting_; }
  const Value& value() const { return value_; }
  // Shows another current value; announces `changed` only when it differs.
  void setValue(Value value);

  QString kind() const;
  QString label() const { return QString::fromStdString(setting_.label); }
  QString accessibleDescription() const;
  bool switchOn() const;
  bool isUnset() const { return !value_.has_value(); }
  double minimum() const { return setting_.control.range().min; }
  double maximum() const { return setting_.control.range().max; }
  double step() const { return setting_.control.range().step; }
  double knob() const;
  QString formatted() const;
  QString startText() const;
  QStringList entries() const;
  int currentEntry() const;
  QString choiceText() const;
  QString currentText() const;
  bool hasColour() const;
  QColor colour() const;
  QString colourName() const;
  QString folderText() const;

  // The switch flipped to `on`: bool or int 1/0 by the setting's type; nothing for other types.
  Q_INVOKABLE void flip(bool on);
  // The slider moved to `position`: the snapped value, kept within the range.
  Q_INVOKABLE void slide(double position);
  // An arrow key moved the slider `steps` steps up (or down, when negative) from the knob.
  Q_INVOKABLE void nudge(int steps);
  // Menu entry `entry` (a position in `entries`) picked: that option's value; "Custom" hands nothing.
  Q_INVOKABLE void pick(int entry);
  // The text field committed `draft`: the value it reads as, when it parses and differs from the
  // current one. Returns whether a value was handed over.
  Q_INVOKABLE bool commit(const QString& draft);
  // A colour picked: its red, green and blue, each kept within 0...1, with the current name.
  // An invalid colour hands nothing.
  Q_INVOKABLE void pickColour(const QColor& picked);
  // A folder chosen ("file:" address or plain absolute path): its full path. Anything else hands
  // nothing.
  Q_INVOKABLE void chooseFolder(const QUrl& folder);

 signals:
  void changed();

 private:
  void hand(const std::optional<PreferenceValue>& value);

  SettingDefinition setting_;
  Value value_;
  Apply apply_;
};

}  // namespace amberloom::ui
