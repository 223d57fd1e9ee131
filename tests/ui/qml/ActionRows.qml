import QtQuick
import AmberLoom.UI

// Action rows in their states, with the presses each one received.
Column {
    id: page
    width: 600
    spacing: 10

    property int enabledPresses: 0
    property int disabledPresses: 0

    ActionRow {
        objectName: "enabledWithReason"
        width: page.width
        title: "Put your settings back"
        explanation: "Each one is written and then read back."
        symbol: "arrow.uturn.backward"
        actionTitle: "Put back"
        isProminent: true
        isEnabled: true
        disabledReason: "Nothing ticked yet."
        onAction: page.enabledPresses++
    }
    ActionRow {
        objectName: "disabledWithReason"
        width: page.width
        title: "Copy over"
        explanation: "Each one is written and then read back."
        symbol: "arrow.down.to.line"
        actionTitle: "Copy over"
        isProminent: true
        isEnabled: false
        disabledReason: "Nothing ticked yet."
        onAction: page.disabledPresses++
    }
    ActionRow {
        objectName: "disabledWithoutReason"
        width: page.width
        title: "Look again"
        explanation: "Each one is written and then read back."
        symbol: "arrow.clockwise"
        actionTitle: "Check now"
        isProminent: false
        isEnabled: false
        disabledReason: null
    }
    ActionRow {
        objectName: "longExplanation"
        width: page.width
        title: "Look again"
        explanation: "Compares what you set in AmberLoom with what is on this Mac right now. A macOS update or another app may have changed something back since, and this sentence goes on long enough to need several lines."
        symbol: "arrow.clockwise"
        actionTitle: "Check now"
        isProminent: false
        isEnabled: true
        disabledReason: null
    }
}
