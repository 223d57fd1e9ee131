import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The line between groups of commands in an AppMenu.
T.MenuSeparator {
    implicitWidth: 200
    implicitHeight: 9
    topPadding: 4
    bottomPadding: 4
    contentItem: Rectangle {
        implicitHeight: 1
        color: Theme.palette.border
    }
}
