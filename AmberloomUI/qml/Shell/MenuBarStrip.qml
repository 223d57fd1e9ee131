import QtQuick
import AmberLoom.UI

// What the menu bar draws under its titles: its own surface and a line along its bottom edge.
// Also the window's placeholder for the bar until the menus are made.
Rectangle {
    color: Theme.palette.surfaceRaised

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.palette.border
    }
}
