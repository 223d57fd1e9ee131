import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The scroll indicator of the scrolling panes and pages: a thin rounded bar along the trailing
// edge, only when there is more to see. In the browser's panes it shows while the pane moves or
// the pointer is on it; a page that must say it goes on below shows it all the time.
T.ScrollBar {
    id: bar

    property bool alwaysShown: false

    implicitWidth: 10
    padding: 2
    minimumSize: 0.04
    hoverEnabled: true
    policy: alwaysShown ? T.ScrollBar.AlwaysOn : T.ScrollBar.AsNeeded
    visible: size < 1

    contentItem: Rectangle {
        implicitWidth: 6
        radius: 3
        color: bar.pressed ? Theme.palette.onSurfaceMuted
             : bar.alwaysShown ? Theme.palette.onSurfaceFaint : Theme.palette.borderStrong
        opacity: bar.alwaysShown ? (bar.pressed ? 1 : 0.5) : bar.active || bar.hovered ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
    }
}
