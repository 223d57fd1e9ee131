import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A card of a guided screen: a leading column of lines on the kit's surface group at the card
// radius with the palette's border, padded 18 points left and right and 14 top and bottom.
SurfaceGroup {
    id: card

    property real sidePadding: 18
    property real endPadding: 14
    property real lineSpacing: 6
    default property alias lines: column.data

    cornerRadius: Tokens.radius.card
    border: Theme.palette.border
    Layout.fillWidth: true

    contentItem: Item {
        implicitWidth: column.implicitWidth + 2 * card.sidePadding
        implicitHeight: column.implicitHeight + 2 * card.endPadding

        ColumnLayout {
            id: column
            x: card.sidePadding
            y: card.endPadding
            width: parent.width - 2 * card.sidePadding
            spacing: card.lineSpacing
        }
    }
}
