import QtQuick
import AmberLoom.UI

// One sidebar entry: symbol, title and an optional count, on a rounded tint while it is selected
// or under the pointer. The whole rounded rectangle takes the click.
PlainButton {
    id: row

    // The palette in force, read here once rather than by every item below: a list makes many
    // of these, and each reader of Theme.palette carries a Theme of its own.
    readonly property Palette colours: Theme.palette

    required property string title
    required property string symbol
    required property int count
    required property bool hasCount
    required property bool isSelected
    required property string accessibleName

    readonly property bool lit: isSelected || hovered
    readonly property color ink: lit ? row.colours.onSurface : row.colours.onSurfaceMuted

    readonly property real leftPadding: 10
    readonly property real rightPadding: 10

    implicitHeight: Math.max(30, label.implicitHeight + 14)
    // In the window's Tab order while it is the sidebar's current row (see FocusList).
    focusPolicy: ListView.isCurrentItem || activeFocus ? Qt.StrongFocus : Qt.ClickFocus
    // A screen reader hears which entry's page is shown: an entry of a list, which says it is
    // selected, rather than a button, which has no selection to say.
    selectable: true
    selected: isSelected
    Accessible.role: Accessible.ListItem
    text: accessibleName

    // Drawn by plain children rather than a content item and background, which a control would
    // build on its own: the sidebar makes one row per group.
    // The tint is made when the row is first lit, not with every row. The row lit as it is made
    // shows it at once; a row lit later fades it in, as every time after.
    property bool madeTint: false
    property bool made: false
    onLitChanged: if (lit) madeTint = true
    Component.onCompleted: {
        madeTint = madeTint || lit;
        made = true;
    }
    Loader {
        anchors.fill: parent
        active: row.madeTint
        sourceComponent: Rectangle {
            readonly property color tint: row.colours.onSurface
            radius: 8
            antialiasing: true
            color: Qt.rgba(tint.r, tint.g, tint.b, 0.06)
            opacity: 0
            Behavior on opacity {
                id: fade
                enabled: false
                NumberAnimation { duration: 120; easing.type: Easing.OutQuad }
            }
            Component.onCompleted: {
                fade.enabled = row.made;
                opacity = Qt.binding(() => row.lit ? 1 : 0);
                fade.enabled = true;
            }
        }
    }
    SymbolIcon {
        x: row.leftPadding + (16 - width) / 2
        anchors.verticalCenter: parent.verticalCenter
        name: row.symbol
        pointSize: 13
        color: row.ink
        opacity: 0.85
    }
    Text {
        id: label
        anchors.left: parent.left
        anchors.leftMargin: row.leftPadding + 16 + 9
        anchors.right: count.visible ? count.left : parent.right
        anchors.rightMargin: count.visible ? 9 : row.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        text: row.title
        textFormat: Text.PlainText
        // 13.5 points
        font.pointSize: 13.5 * 0.75
        font.weight: row.isSelected ? Font.Medium : Font.Normal
        color: row.ink
        elide: Text.ElideRight
        maximumLineCount: 1
    }
    FocusRing {
        outset: 0
        cornerRadius: 8
    }
    Text {
        id: count
        objectName: "sidebarCount"
        anchors.right: parent.right
        anchors.rightMargin: row.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        visible: row.hasCount
        text: row.count
        font: Tokens.text.rowMeta
        color: row.isSelected ? row.colours.primary : row.colours.onSurfaceFaint
    }
}
