import QtQuick
import AmberLoom.UI

// The tip of the day: a hook and a body about one setting, a button that takes the user to the
// setting (only when the setting is known) and a button that hides the tip. Texts are shown as
// they come; the card only runs its two actions. Drawn as a surface group is (a rounded fill and a
// 1-point frame), from plain items: the card is on the catalogue's first screen.
Item {
    id: card

    required property string hook
    required property string body
    // The setting's label; ignored while hasSetting is false.
    required property string settingLabel
    required property bool hasSetting

    signal dismiss()
    signal reveal()

    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight
    Accessible.role: Accessible.Grouping
    Accessible.name: qsTr("Did you know: %1").arg(hook)

    Rectangle {
        anchors.fill: parent
        radius: Tokens.radius.card
        color: Theme.palette.surfaceRaised
        antialiasing: true
    }

    // Placed by hand rather than by layouts: the card is on the first screen, and its parts have
    // known sizes. The symbol and the hide button keep to the top; the texts take the rest.
    Item {
        id: content
        anchors.fill: parent
        implicitWidth: 18 + bulb.width + 14 + texts.implicitWidth + 14 + dismissButton.implicitWidth + 18
        implicitHeight: Math.max(bulb.height + 2, texts.implicitHeight, dismissButton.implicitHeight) + 28

        SymbolIcon {
            id: bulb
            x: 18
            y: 14 + 2
            name: "lightbulb"
            pointSize: 17
            color: Theme.palette.stateOn
        }
        // Placed one under the other by hand: their height is known as soon as they are made,
        // which the list above the cards reads for its header.
        Item {
            id: texts
            anchors.left: bulb.right
            anchors.leftMargin: 14
            anchors.right: dismissButton.left
            anchors.rightMargin: 14
            y: 14
            implicitWidth: Math.max(hook.implicitWidth, body.implicitWidth, card.hasSetting ? showMe.implicitWidth : 0)
            implicitHeight: body.y + body.implicitHeight + (card.hasSetting ? 5 + 2 + showMe.implicitHeight : 0)
            height: implicitHeight

            Text {
                id: hook
                objectName: "tipHook"
                width: parent.width
                text: card.hook
                textFormat: Text.PlainText
                font: Tokens.text.label
                color: Theme.palette.onSurface
                wrapMode: Text.Wrap
            }
            Text {
                id: body
                y: hook.height + 5
                width: parent.width
                text: card.body
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
            PlainButton {
                id: showMe
                objectName: "tipReveal"
                // Two points further down than the texts' spacing.
                y: body.y + body.height + 5 + 2
                visible: card.hasSetting
                width: Math.min(implicitWidth, parent.width)
                implicitWidth: Math.ceil(showMeText.implicitWidth)
                implicitHeight: showMeText.implicitHeight
                text: qsTr("Show me %1").arg(card.settingLabel)
                onClicked: card.reveal()
                Text {
                    id: showMeText
                    anchors.fill: parent
                    text: showMe.text
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.primary
                    elide: Text.ElideRight
                }
                FocusRing { cornerRadius: 2 }
            }
        }
        PlainButton {
            id: dismissButton
            objectName: "tipDismiss"
            anchors.right: parent.right
            anchors.rightMargin: 18
            y: 14
            implicitWidth: 20
            implicitHeight: 20
            text: qsTr("Hide this tip")
            onClicked: card.dismiss()
            SymbolIcon {
                anchors.centerIn: parent
                name: "xmark"
                pointSize: 12
                color: Theme.palette.onSurfaceFaint
            }
            FocusRing { cornerRadius: 4 }
        }
    }

    // In front of the content: half the line inside the outline, half outside.
    Rectangle {
        anchors.fill: parent
        anchors.margins: -0.5
        radius: Tokens.radius.card + 0.5
        color: "transparent"
        border.width: 1
        border.color: Theme.palette.border
        antialiasing: true
    }
}
