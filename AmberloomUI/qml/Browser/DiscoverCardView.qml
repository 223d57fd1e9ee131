import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The tip of the day: a hook and a body about one setting, a button that takes the user to the
// setting (only when the setting is known) and a button that hides the tip. Texts are shown as
// they come; the card only runs its two actions.
SurfaceGroup {
    id: card

    required property string hook
    required property string body
    // The setting's label; ignored while hasSetting is false.
    required property string settingLabel
    required property bool hasSetting

    signal dismiss()
    signal reveal()

    cornerRadius: Tokens.radius.card
    border: Theme.palette.border
    Accessible.role: Accessible.Grouping
    Accessible.name: qsTr("Did you know: %1").arg(hook)

    Item {
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
                T.AbstractButton {
                    id: showMe
                    objectName: "tipReveal"
                    visible: card.hasSetting
                    Layout.topMargin: 2
                    Layout.fillWidth: true
                    Layout.maximumWidth: implicitWidth
                    implicitWidth: Math.ceil(showMeText.implicitWidth)
                    implicitHeight: showMeText.implicitHeight
                    text: qsTr("Show me %1").arg(card.settingLabel)
                    hoverEnabled: true
                    Accessible.name: text
                    onClicked: card.reveal()
                    contentItem: Text {
                        id: showMeText
                        text: showMe.text
                        textFormat: Text.PlainText
                        font: Tokens.text.caption
                        color: Theme.palette.primary
                        elide: Text.ElideRight
                    }
                    FocusRing { cornerRadius: 2 }
                }
            }
            T.AbstractButton {
                objectName: "tipDismiss"
                Layout.alignment: Qt.AlignTop
                implicitWidth: 20
                implicitHeight: 20
                Accessible.name: qsTr("Hide this tip")
                onClicked: card.dismiss()
                contentItem: Item {
                    SymbolIcon {
                        anchors.centerIn: parent
                        name: "xmark"
                        pointSize: 12
                        color: Theme.palette.onSurfaceFaint
                    }
                }
                FocusRing { cornerRadius: 4 }
            }
        }
    }
}
