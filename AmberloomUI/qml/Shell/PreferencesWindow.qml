import QtQuick
import AmberLoom.UI

// The settings window: the application's preferences at their own size, 520 points wide.
Window {
    id: window

    required property PreferencesViewModel model

    title: qsTr("AmberLoom Settings")
    width: 520
    height: content.implicitHeight
    minimumWidth: 520
    maximumWidth: 520
    minimumHeight: content.implicitHeight
    maximumHeight: content.implicitHeight
    color: Theme.palette.surface
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    PreferencesView {
        id: content
        objectName: "preferencesView"
        anchors.fill: parent
        model: window.model
    }
}
