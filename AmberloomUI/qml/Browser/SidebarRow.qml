import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// One sidebar entry: symbol, title and an optional count, on a rounded tint while it is selected
// or under the pointer. The whole rounded rectangle takes the click.
T.AbstractButton {
    id: row

    required property string title
    required property string symbol
    required property int count
    required property bool hasCount
    required property bool isSelected
    required property string accessibleName

    readonly property bool lit: isSelected || hovered
    readonly property color ink: lit ? Theme.palette.onSurface : Theme.palette.onSurfaceMuted

    implicitHeight: Math.max(30, implicitContentHeight + topPadding + bottomPadding)
    leftPadding: 10
    rightPadding: 10
    topPadding: 7
    bottomPadding: 7
    hoverEnabled: true

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName

    background: Rectangle {
        readonly property color tint: Theme.palette.onSurface
        radius: 8
        antialiasing: true
        color: Qt.rgba(tint.r, tint.g, tint.b, 0.06)
        opacity: row.lit ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
    }

    contentItem: RowLayout {
        spacing: 9

        Item {
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            SymbolIcon {
                anchors.centerIn: parent
                name: row.symbol
                pointSize: 13
                color: row.ink
                opacity: 0.85
            }
        }
        Text {
            Layout.fillWidth: true
            text: row.title
            // 13.5 points
            font.pointSize: 13.5 * 0.75
            font.weight: row.isSelected ? Font.Medium : Font.Normal
            color: row.ink
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Text {
            objectName: "sidebarCount"
            visible: row.hasCount
            text: row.count
            font: Tokens.text.rowMeta
            color: row.isSelected ? Theme.palette.primary : Theme.palette.onSurfaceFaint
        }
    }
}
