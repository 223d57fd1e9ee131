import QtQuick
import AmberLoom.UI

// The window's search field: a magnifying glass, the text and a grey prompt while it is empty.
// A plain text input: its size is given by where it is placed (240 by 28 points in the tool bar).
TextInput {
    id: field

    property string placeholderText: qsTr("Search settings")
    property color placeholderTextColor: Theme.palette.onSurfaceFaint

    leftPadding: 28
    rightPadding: 8
    verticalAlignment: TextInput.AlignVCenter
    activeFocusOnTab: true
    selectByMouse: true
    font: Tokens.text.caption
    color: Theme.palette.onSurface
    selectionColor: Theme.palette.primary
    selectedTextColor: Theme.palette.onPrimary
    Accessible.name: placeholderText

    // Behind the text.
    Rectangle {
        readonly property color ink: Theme.palette.onSurface
        anchors.fill: parent
        z: -1
        radius: Tokens.radius.input
        color: Qt.rgba(ink.r, ink.g, ink.b, 0.05)
        border.width: 1
        border.color: field.activeFocus ? Theme.palette.primary : Theme.palette.border
        antialiasing: true

        SymbolIcon {
            anchors.left: parent.left
            anchors.leftMargin: 9
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            pointSize: 12
            color: Theme.palette.onSurfaceFaint
        }
    }

    Text {
        x: field.leftPadding
        width: field.width - field.leftPadding - field.rightPadding
        height: field.height
        verticalAlignment: Text.AlignVCenter
        visible: field.length === 0 && !field.preeditText
        text: field.placeholderText
        font: field.font
        color: field.placeholderTextColor
        elide: Text.ElideRight
    }
}
