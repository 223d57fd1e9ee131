import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// Shown when "Email support" found no mail program to hand the message to: the address and the
// prepared message (version details included), each with a button that copies it. Done, Return
// and Escape close it.
T.Dialog {
    id: alert

    required property PreferencesViewModel model
    property Palette theme: null
    // Where the copies go; null for the system pasteboard.
    property Pasteboard pasteboard: null
    property Pasteboard systemPasteboard: Pasteboard {}

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: parent ? parent.width - 48 : 472
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    padding: 22
    title: qsTr("No mail program opened the message")

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.35) }

    background: Rectangle {
        Theme.palette: alert.theme
        radius: Tokens.radius.card
        color: Theme.palette.surfaceRaised
        border.width: 1
        border.color: Theme.palette.borderStrong
        antialiasing: true
    }

    contentItem: ColumnLayout {
        Theme.palette: alert.theme
        spacing: 12
        focus: true
        Keys.onReturnPressed: alert.close()
        Keys.onEnterPressed: alert.close()

        HeardText {
            heading: true
            Layout.fillWidth: true
            text: alert.title
            font: Tokens.text.h3
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
        }
        HeardText {
            Layout.fillWidth: true
            text: qsTr("Write to the address below from any mail program, and paste the details so we know which version you have.")
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            TextEdit {
                objectName: "supportAddress"
                Layout.fillWidth: true
                text: alert.model.supportAddress
                font: Tokens.text.label
                color: Theme.palette.onSurface
                readOnly: true
                selectByMouse: true
                wrapMode: TextEdit.WrapAnywhere
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            ActionButton {
                objectName: "copyAddress"
                prominent: false
                text: qsTr("Copy Address")
                onClicked: (alert.pasteboard ?? alert.systemPasteboard).copy(alert.model.supportAddress)
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            radius: Tokens.radius.input
            color: Theme.palette.surface
            border.width: 1
            border.color: Theme.palette.border
            clip: true
            Flickable {
                id: details
                anchors.fill: parent
                anchors.margins: 8
                contentWidth: width
                contentHeight: mailText.implicitHeight
                boundsBehavior: Flickable.StopAtBounds
                TextEdit {
                    id: mailText
                    objectName: "supportMailText"
                    width: details.width
                    text: alert.model.supportMailText()
                    font: Tokens.text.mono
                    color: Theme.palette.onSurfaceMuted
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.WrapAnywhere
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: 8
            ActionButton {
                objectName: "copyMailText"
                prominent: false
                text: qsTr("Copy Details")
                onClicked: (alert.pasteboard ?? alert.systemPasteboard).copy(mailText.text)
            }
            ActionButton {
                objectName: "supportMailDone"
                prominent: true
                text: qsTr("Done")
                onClicked: alert.close()
            }
        }
    }
}
