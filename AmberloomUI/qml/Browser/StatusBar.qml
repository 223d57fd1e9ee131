import QtQuick
import AmberLoom.UI

// The bar along the bottom of the catalogue window: practice mode, the last failed change and the
// apps that must restart, with the button that restarts them. With nothing to say it takes no room
// and is not made.
Item {
    id: statusBar

    required property SettingsModel settingsModel

    readonly property bool shown: settingsModel.isDryRun || settingsModel.hasLastError
                                  || settingsModel.pendingRestarts.length > 0

    visible: shown
    implicitHeight: shown && bar.item ? bar.item.implicitHeight : 0

    Loader {
        id: bar
        anchors.fill: parent
        active: statusBar.shown
        // From its own file, compiled only when the bar first has something to say.
        Component.onCompleted: setSource("StatusStrip.qml", {settingsModel: statusBar.settingsModel})
    }
}
