import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// What the last backup or restore did: one line with a check or a warning symbol, the keys that
// did not come back under a restore, and, while the state before a restore is the only way back,
// a warning and the Undo button. While a restore or its undo is under way, that work's line alone.
ColumnLayout {
    id: row

    // The model's outcomeRow: text, symbol, warning, details, offersUndo, undoWarning, undoResult,
    // undoResultWarning.
    required property var content
    // The model's WorkInProgress; none leaves the working line out.
    property var progress: null
    readonly property bool working: progress !== null && progress.shown

    signal undo()

    spacing: 4

    // Lines below the first start under its text, clear of the symbol.
    readonly property real indent: 20

    WorkingLine {
        objectName: "workingLine"
        Layout.fillWidth: true
        visible: row.working
        text: row.working ? row.progress.text : ""
    }

    RowLayout {
        Layout.fillWidth: true
        visible: !row.working
        spacing: 6

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 1
            name: row.content.symbol
            pointSize: 14
            color: row.content.warning ? Theme.palette.stateWarn : Theme.palette.stateOn
        }
        HeardText {
            objectName: "outcomeText"
            Layout.fillWidth: true
            text: row.content.text
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: row.content.warning ? Theme.palette.stateWarn : Theme.palette.stateOn
            wrapMode: Text.Wrap
        }
    }

    Repeater {
        model: row.working ? [] : row.content.details

        Text {
            required property string modelData
            Layout.fillWidth: true
            Layout.leftMargin: row.indent
            text: modelData
            textFormat: Text.PlainText
            font: Tokens.text.mono
            color: Theme.palette.onSurfaceMuted
            elide: Text.ElideMiddle
        }
    }

    Text {
        objectName: "undoWarning"
        Layout.leftMargin: row.indent
        Layout.fillWidth: true
        visible: text !== "" && !row.working
        text: row.content.undoWarning
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: Theme.palette.stateWarn
        wrapMode: Text.Wrap
    }

    HeardText {
        objectName: "undoResult"
        Layout.leftMargin: row.indent
        Layout.fillWidth: true
        visible: text !== "" && !row.working
        text: row.content.undoResult
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: row.content.undoResultWarning ? Theme.palette.stateWarn : Theme.palette.stateOn
        wrapMode: Text.Wrap
    }

    ActionButton {
        objectName: "undoButton"
        Layout.leftMargin: row.indent
        Layout.topMargin: 4
        visible: row.content.offersUndo && !row.working
        prominent: false
        text: qsTr("Undo")
        onClicked: row.undo()
    }
}
