import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A card of a guided screen: a leading column of lines on the kit's surface group at the card
// radius with the palette's border, padded 18 points left and right and 14 top and bottom.
SurfaceGroup {
    id: card

    property real horizontalPadding: 18
    property real verticalPadding: 14
    property real spacing: 6
    default property alias lines: column.data

    cornerRadius: Tokens.radius.card
    border: Theme.palette.border
    Layout.fillWidth: true

    contentItem: Item {
        implicitWidth: column.implicitWidth + 2 * card.horizontalPadding
        implicitHeight: column.implicitHeight + 2 * card.verticalPadding

        ColumnLayout {
            id: column
            x: card.horizontalPadding
            y: card.verticalPadding
            width: parent.width - 2 * card.horizontalPadding
            spacing: card.spacing
        }
    }
}
