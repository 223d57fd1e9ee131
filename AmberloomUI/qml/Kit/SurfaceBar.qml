import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The finish of a strip of controls: a translucent fill of the palette's surfaceGlass behind the
// content and, in front of it, a 1-point line in `border` along the top edge.
T.Control {
    id: bar

    required property color border
    default property alias content: bar.contentItem

    implicitWidth: implicitContentWidth
    implicitHeight: implicitContentHeight
    padding: 0

    background: Rectangle {
        color: Theme.palette.surfaceGlass
    }

    property Item topLine: Rectangle {
        parent: bar
        z: 1
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        height: 1
        color: bar.border
    }
}
