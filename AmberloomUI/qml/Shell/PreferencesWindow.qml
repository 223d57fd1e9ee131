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

    // The keys go to the content whenever no sheet or alert holds them.
    onActiveFocusItemChanged: if (!activeFocusItem || activeFocusItem === contentItem) content.forceActiveFocus()

    PreferencesView {
        id: content
        objectName: "preferencesView"
        anchors.fill: parent
        model: window.model
        // Escape and Ctrl+W close the window; while a sheet or an alert is open, it takes the keys.
        focus: true
        Keys.onPressed: event => {
            if (event.key === Qt.Key_Escape || event.matches(StandardKey.Close)) {
                event.accepted = true;
                window.close();
            }
        }
    }
}
