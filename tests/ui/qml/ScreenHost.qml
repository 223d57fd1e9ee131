import QtQuick
import AmberLoom.UI

// The root a screen is shown under in the tests: the palette of the system colour scheme, as a
// window of the application sets it, carried down to the screen.
Item {
    objectName: "screenHost"
    required property url screen
    // Set on the screen as it is made.
    property var screenProperties: ({})

    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    Loader {
        objectName: "screen"
        anchors.fill: parent
        Component.onCompleted: setSource(parent.screen, parent.screenProperties)
    }
}
