import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The finish of a strip of controls. Up to macOS 15 it is the bar material (the palette's
// surfaceGlass) with a 1-point line in `border` along the top edge, in front of the content; from
// macOS 26 the glass finish (surfaceGlassHi) and no line. Either finish lies on the opaque canvas
// colour: without the platform's blur a translucent fill alone would let whatever scrolls beneath
// the bar show through its text.
T.Control {
    id: bar

    required property color border
    // Looked at when the bar is made.
    property bool glass: Tokens.glassBars
    default property alias content: bar.contentItem

    implicitWidth: implicitContentWidth
    implicitHeight: implicitContentHeight
    padding: 0

    background: Rectangle {
        color: Theme.palette.surface
        Rectangle {
            anchors.fill: parent
            color: bar.glass ? Theme.palette.surfaceGlassHi : Theme.palette.surfaceGlass
        }
    }

    property Item topLine: Rectangle {
        objectName: "barTopLine"
        parent: bar
        visible: !bar.glass
        z: 1
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        height: 1
        color: bar.border
    }
}
