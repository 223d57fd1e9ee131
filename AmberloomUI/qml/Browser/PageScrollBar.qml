import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The scroll indicator of the browser's scrolling panes: a thin rounded bar along the trailing
// edge, shown while the pane moves or the pointer is on it, and only when there is more to see.
T.ScrollBar {
    id: bar

    implicitWidth: 10
    padding: 2
    minimumSize: 0.04
    hoverEnabled: true
    visible: size < 1

    contentItem: Rectangle {
        implicitWidth: 6
        radius: 3
        color: bar.pressed ? Theme.palette.onSurfaceMuted : Theme.palette.borderStrong
        opacity: bar.active || bar.hovered ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
    }
}
