import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// A row background inside a group, with the content's size and no rounding: a raised row is
// tinted with the palette's onSurface at 0.045 of its opacity, a plain row leaves what is behind
// it visible.
T.Control {
    id: row

    required property bool raised
    default property alias content: row.contentItem

    implicitWidth: implicitContentWidth
    implicitHeight: implicitContentHeight
    padding: 0

    background: Rectangle {
        readonly property color tint: Theme.palette.onSurface
        color: row.raised ? Qt.rgba(tint.r, tint.g, tint.b, tint.a * 0.045) : "transparent"
    }
}
