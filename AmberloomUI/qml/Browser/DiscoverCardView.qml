import QtQuick
import QtQuick.Layouts
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

    Item {
        id: content
        anchors.fill: parent
        implicitWidth: row.implicitWidth + 36
        implicitHeight: row.implicitHeight + 28

        RowLayout {
            id: row
            anchors.fill: parent
            anchors.leftMargin: 18
            anchors.rightMargin: 18
            anchors.topMargin: 14
            anchors.bottomMargin: 14
            spacing: 14

            SymbolIcon {
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 2
                name: "lightbulb"
                pointSize: 17
                color: Theme.palette.stateOn
            }
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.fillWidth: true
                spacing: 5

                Text {
                    objectName: "tipHook"
                    Layout.fillWidth: true
                    text: card.hook
                    textFormat: Text.PlainText
                    font: Tokens.text.label
                    color: Theme.palette.onSurface
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    text: card.body
                    textFormat: Text.PlainText
                    font: Tokens.text.body
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
                PlainButton {
                    id: showMe
                    objectName: "tipReveal"
                    visible: card.hasSetting
                    Layout.topMargin: 2
                    Layout.fillWidth: true
                    Layout.maximumWidth: implicitWidth
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
                objectName: "tipDismiss"
                Layout.alignment: Qt.AlignTop
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
