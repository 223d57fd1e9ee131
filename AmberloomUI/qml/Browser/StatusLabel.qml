import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A symbol and a caption in the warning colour, as the status bar shows its notices.
RowLayout {
    id: label

    required property string symbol
    required property string text
    property bool oneLine: false
    // Heard as it appears and as it changes (see HeardText).
    property bool announces: false

    spacing: 5

    SymbolIcon {
        name: label.symbol
        pointSize: 12
        color: Theme.palette.stateWarn
    }
    HeardText {
        Layout.fillWidth: true
        announces: label.announces
        text: label.text
        font: Tokens.text.caption
        color: Theme.palette.stateWarn
        elide: label.oneLine ? Text.ElideRight : Text.ElideNone
        maximumLineCount: label.oneLine ? 1 : 1000
        wrapMode: label.oneLine ? Text.NoWrap : Text.WordWrap
    }
}
