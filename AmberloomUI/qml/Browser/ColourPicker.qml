import QtQuick
import QtQuick.Dialogs

// The colour well's picker (no opacity). Made when a well is first pressed, so the system dialogs
// are loaded only then, not with every card.
ColorDialog {
    objectName: "colourPicker"
    options: ColorDialog.NoEyeDropperButton
}
