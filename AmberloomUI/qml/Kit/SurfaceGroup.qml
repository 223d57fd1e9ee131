import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// A bordered rounded group around one content item, with the content's size: a rounded fill of
// the palette's surfaceRaised behind the content and a 1-point frame in `border` in front of it,
// centred on the outline. No inner margin, shadow or clipping.
T.Control {
    id: group

    required property real cornerRadius
    required property color border
    default property alias content: group.contentItem

    implicitWidth: implicitContentWidth
    implicitHeight: implicitContentHeight
    padding: 0

    background: Rectangle {
        radius: group.cornerRadius
        color: Theme.palette.surfaceRaised
        antialiasing: true
    }

    // In front of the content: half the line inside the outline, half outside.
    property Item frame: Rectangle {
        parent: group
        z: 1
        anchors.fill: parent
        anchors.margins: -0.5
        radius: group.cornerRadius > 0 ? group.cornerRadius + 0.5 : 0
        color: "transparent"
        border.width: 1
        border.color: group.border
        antialiasing: true
    }
}
