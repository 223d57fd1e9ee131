import QtQuick
import AmberLoom.UI

// A small upper-case section title with an optional count after it, both in the palette's faint
// colour. The title is upper-cased as written, whatever the user's language.
Row {
    id: heading

    required property string title
    // A number, or null for no count.
    property var count: null

    spacing: 8
    topPadding: 8
    leftPadding: 4

    Text {
        objectName: "headingTitle"
        anchors.verticalCenter: parent.verticalCenter
        text: heading.title.toUpperCase()
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 0.66
        color: Theme.palette.onSurfaceFaint
    }
    Text {
        objectName: "headingCount"
        anchors.verticalCenter: parent.verticalCenter
        visible: heading.count !== null && heading.count !== undefined
        text: visible ? String(heading.count) : ""
        font: Tokens.text.rowMeta
        color: Theme.palette.onSurfaceFaint
    }
}
