import QtQuick
import AmberLoom.UI

// A small upper-case section title with an optional count after it in a badge, both in the
// palette's faint colour. The title is upper-cased as written, whatever the user's language.
Row {
    id: heading

    required property string title
    // A number, or null for no count.
    property var count: null

    spacing: 8
    topPadding: 8
    leftPadding: 4

    HeardText {
        heading: true
        objectName: "headingTitle"
        anchors.verticalCenter: parent.verticalCenter
        text: heading.title.toUpperCase()
        // Upper case is how it looks, not how it reads.
        Accessible.name: heading.title
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 0.66
        color: Theme.palette.onSurfaceFaint
    }
    Rectangle {
        objectName: "headingBadge"
        readonly property color ink: Theme.palette.onSurface
        anchors.verticalCenter: parent.verticalCenter
        visible: heading.count !== null && heading.count !== undefined
        implicitWidth: Math.max(implicitHeight, countText.implicitWidth + 12)
        implicitHeight: countText.implicitHeight + 2
        radius: height / 2
        color: Qt.rgba(ink.r, ink.g, ink.b, 0.07)
        antialiasing: true
        Text {
            id: countText
            objectName: "headingCount"
            anchors.centerIn: parent
            text: parent.visible ? String(heading.count) : ""
            font: Tokens.text.rowMeta
            color: Theme.palette.onSurfaceFaint
        }
    }
}
