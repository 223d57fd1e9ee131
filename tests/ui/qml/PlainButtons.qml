import QtQuick
import AmberLoom.UI

// Plain buttons for the tests of their input: one that only clicks, one that is checked and
// unchecked, one that only a click focuses, and a scrolling pane with its scroll bar.
Item {
    id: root

    // What the buttons said, in order.
    property var heard: []

    Column {
        spacing: 10

        TextInput {
            objectName: "before"
            width: 100
            height: 20
            activeFocusOnTab: true
        }
        PlainButton {
            objectName: "plain"
            width: 80
            height: 24
            onClicked: root.heard = root.heard.concat(["plain clicked"])
            FocusRing {}
        }
        PlainButton {
            objectName: "checkable"
            width: 80
            height: 24
            checkable: true
            onToggled: root.heard = root.heard.concat(["toggled " + checked])
            onClicked: root.heard = root.heard.concat(["checkable clicked"])
        }
        PlainButton {
            objectName: "clickOnly"
            width: 80
            height: 24
            focusPolicy: Qt.ClickFocus
        }
    }

    Flickable {
        objectName: "pane"
        id: pane
        x: 200
        width: 150
        height: 200
        contentHeight: 1000
        clip: true

        PageScrollBar {
            objectName: "paneBar"
            flickable: pane
            alwaysShown: true
        }
    }
}
