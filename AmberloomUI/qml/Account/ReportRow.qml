import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The outcome of the last copy of ticked settings: how many came over, the first five that did
// not and why, and the apps that need a restart.
ColumnLayout {
    id: row

    // The sync model's reportRow: summary, hasFailures, failures, restartLine.
    required property var content

    spacing: 4

    RowLayout {
        Layout.fillWidth: true
        spacing: 6
        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 1
            name: row.content.hasFailures === true ? "exclamationmark.triangle" : "checkmark.seal"
            pointSize: 13
            color: row.content.hasFailures ? Theme.palette.stateWarn : Theme.palette.stateOn
        }
        HeardText {
            objectName: "reportSummary"
            Layout.fillWidth: true
            text: row.content.summary || ""
            font: Tokens.text.caption
            color: row.content.hasFailures ? Theme.palette.stateWarn : Theme.palette.stateOn
            wrapMode: Text.Wrap
        }
    }
    Repeater {
        model: row.content.failures
        Text {
            required property string modelData
            Layout.fillWidth: true
            text: modelData
            textFormat: Text.PlainText
            font: Tokens.text.mono
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
        }
    }
    Text {
        objectName: "restartLine"
        Layout.fillWidth: true
        visible: text !== ""
        text: row.content.restartLine || ""
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: Theme.palette.onSurfaceMuted
        wrapMode: Text.Wrap
    }
}
