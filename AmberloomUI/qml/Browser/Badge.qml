import QtQuick
import AmberLoom.UI

// A small label on a rounded fill, at its natural size: never wrapped or cut.
Rectangle {
    id: badge

    required property string text
    required property color colour
    required property color background

    implicitWidth: label.implicitWidth + 14
    implicitHeight: label.implicitHeight + 6
    radius: 5
    color: background
    antialiasing: true

    Text {
        id: label
        anchors.centerIn: parent
        text: badge.text
        textFormat: Text.PlainText
        font: Tokens.text.kicker
        color: badge.colour
    }
}
