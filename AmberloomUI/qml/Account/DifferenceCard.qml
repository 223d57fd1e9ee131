import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// One compared setting: a tick box that puts it among the settings to copy, its label, how this
// Mac's value and the incoming one differ, its id, why it waits for the tick when it does (a
// protection in the warning colour), and a pin that keeps it different on this Mac. A value that
// can never be copied has no tick box, only its reason. The tick and the pin live in the sync
// model; the card keeps nothing.
SurfaceGroup {
    id: card

    required property SyncModel sync
    required property string settingID
    required property string label
    required property string difference
    required property bool isTicked
    required property bool isPinned
    required property string caution
    required property bool isProtection
    required property bool canTick

    cornerRadius: 8
    border: Theme.palette.border
    Accessible.name: label

    RowLayout {
        spacing: 14

        // Keeps the labels of every card in one column, with or without a tick box.
        Item {
            visible: !card.canTick
            Layout.leftMargin: 16
            implicitWidth: tick.implicitWidth
        }
        TickBox {
            id: tick
            objectName: "tick"
            visible: card.canTick
            Layout.leftMargin: 16
            checked: card.isTicked
            onToggled: card.sync.setTicked(card.settingID, checked)
            // Data goes in through a function: a replacement string would read "$&" as a pattern.
            text: qsTr("Bring %@ over from the other Mac").replace("%@", () => card.label)
            // Heard with the box, before the user ticks it.
            Accessible.description: card.caution
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.topMargin: 12
            Layout.bottomMargin: 12
            spacing: 3

            Text {
                objectName: "label"
                Layout.fillWidth: true
                text: card.label
                textFormat: Text.PlainText
                font: Tokens.text.label
                color: Theme.palette.onSurface
                wrapMode: Text.Wrap
            }
            // The difference and the id share a line while they fit, and wrap below each other
            // when they do not.
            Flow {
                Layout.fillWidth: true
                spacing: 8
                Text {
                    objectName: "difference"
                    // Measured unwrapped: a wrapped text's own implicit width follows its width.
                    width: Math.min(Math.ceil(differenceWidth.advanceWidth) + 1, parent.width)
                    text: card.difference
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                    TextMetrics {
                        id: differenceWidth
                        font: Tokens.text.caption
                        text: card.difference
                    }
                }
                Text {
                    objectName: "settingID"
                    width: Math.min(implicitWidth, parent.width)
                    text: card.settingID
                    textFormat: Text.PlainText
                    font: Tokens.text.mono
                    color: Theme.palette.onSurfaceFaint
                    wrapMode: Text.WrapAnywhere
                }
            }
            SymbolText {
                objectName: "caution"
                Layout.fillWidth: true
                visible: card.caution !== ""
                symbol: card.isProtection ? "lock.shield" : "hand.raised"
                text: card.caution
                font: Tokens.text.caption
                color: card.isProtection ? Theme.palette.stateWarn : Theme.palette.onSurfaceMuted
            }
        }

        T.AbstractButton {
            id: pin
            objectName: "pin"
            Layout.rightMargin: 16
            implicitWidth: 20
            implicitHeight: 20
            onClicked: card.sync.togglePin(card.settingID)
            Accessible.name: qsTr("Keep %@ different on this Mac").replace("%@", () => card.label)
            hoverEnabled: true
            T.ToolTip.visible: hovered
            T.ToolTip.delay: 600
            T.ToolTip.text: qsTr("Keep this setting different on this Mac")
            contentItem: SymbolIcon {
                name: card.isPinned ? "pin.fill" : "pin"
                pointSize: 15
                color: card.isPinned ? Theme.palette.stateWarn : Theme.palette.onSurfaceFaint
                opacity: pin.down ? 0.6 : 1
            }
            FocusRing { cornerRadius: 4 }
        }
    }
}
