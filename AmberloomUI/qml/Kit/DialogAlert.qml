import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// An alert drawn by the application itself, for when one of Qt's dialogs cannot be made: a title,
// what went wrong and OK (also Return and Escape), modal over the window. It removes itself once
// closed. Its title names the dialog for a screen reader.
T.Dialog {
    id: alert

    required property Palette themePalette
    property string message

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(440, parent ? parent.width - 48 : 440)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    padding: 22
    onClosed: destroy()

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.35) }

    background: Rectangle {
        Theme.palette: alert.themePalette
        radius: Tokens.radius.card
        color: Theme.palette.surfaceRaised
        border.width: 1
        border.color: Theme.palette.borderStrong
        antialiasing: true
    }

    contentItem: ColumnLayout {
        Theme.palette: alert.themePalette
        spacing: 12
        focus: true
        // Takes the focus as the alert opens, so a screen reader says its title and message then.
        Accessible.role: Accessible.Dialog
        Accessible.name: alert.title
        Accessible.description: alert.message
        Keys.onReturnPressed: alert.close()
        Keys.onEnterPressed: alert.close()

        HeardText {
            heading: true
            objectName: "dialogAlertTitle"
            Layout.fillWidth: true
            text: alert.title
            textFormat: Text.PlainText
            font: Tokens.text.h3
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
        }
        HeardText {
            objectName: "dialogAlertMessage"
            Layout.fillWidth: true
            Layout.maximumHeight: 240
            text: alert.message
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.WrapAnywhere
            elide: Text.ElideRight
            clip: true
        }
        ActionButton {
            objectName: "dialogAlertOK"
            Layout.topMargin: 6
            Layout.alignment: Qt.AlignRight
            prominent: true
            text: qsTr("OK")
            onClicked: alert.close()
        }
    }
}
