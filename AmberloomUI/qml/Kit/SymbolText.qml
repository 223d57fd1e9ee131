import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A symbol before a text, both in one colour; the text wraps when `wraps` is set.
RowLayout {
    id: label

    property string symbol
    property string text
    property color color: Theme.palette.onSurface
    property font font: Tokens.text.body
    property bool wraps: true

    spacing: 6
    Layout.fillWidth: wraps
    // Read out as the message it is.
    Accessible.role: Accessible.StaticText
    Accessible.name: text

    SymbolIcon {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: Math.max(0, (shown.font.pixelSize * 1.2 - height) / 2)
        name: label.symbol
        color: label.color
        pointSize: label.font.pixelSize
    }
    Text {
        id: shown
        objectName: "text"
        Layout.fillWidth: label.wraps
        text: label.text
        textFormat: Text.PlainText
        font: label.font
        color: label.color
        wrapMode: label.wraps ? Text.Wrap : Text.NoWrap
    }
}
