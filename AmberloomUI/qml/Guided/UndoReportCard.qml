import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The outcome of an undo: how many keys were verified back, the undo's failure text, and the
// domain and key path of each entry that was not put back. `report` is a model's undo card.
CardColumn {
    id: card

    required property var report

    SymbolText {
        objectName: "undoHeading"
        symbol: card.report.isComplete ? "arrow.uturn.backward.circle" : "exclamationmark.circle"
        color: card.report.isComplete ? Theme.palette.stateOn : Theme.palette.stateWarn
        font: Tokens.text.label
        text: (card.report.isComplete ? qsTr("Put back — %lld of %lld keys verified")
                                      : qsTr("Partly put back — %lld of %lld keys verified"))
              .replace("%lld", card.report.restoredCount).replace("%lld", card.report.total)
    }
    Text {
        objectName: "undoFailure"
        visible: typeof card.report.failure === "string"
        Layout.fillWidth: true
        text: visible ? card.report.failure : ""
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: Theme.palette.stateWarn
        wrapMode: Text.Wrap
    }
    Repeater {
        model: card.report.failedLines
        Text {
            required property string modelData
            Layout.fillWidth: true
            text: modelData
            textFormat: Text.PlainText
            font: Tokens.text.mono
            color: Theme.palette.stateWarn
            elide: Text.ElideMiddle
        }
    }
}
