import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// What a screen is doing while its work goes on: a turning ring and one sentence, read out
// together.
RowLayout {
    id: line

    property string text

    spacing: 8
    Accessible.role: Accessible.StaticText
    Accessible.name: text

    ActivitySpinner {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 1
        color: Theme.palette.primary
        Accessible.ignored: true
    }
    Text {
        objectName: "workingText"
        Layout.fillWidth: true
        text: line.text
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: Theme.palette.onSurfaceMuted
        wrapMode: Text.Wrap
    }
}
