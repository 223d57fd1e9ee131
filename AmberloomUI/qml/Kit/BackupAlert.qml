import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// A question before a backup or a restore replaces something: a modal card centred on the
// window over a dimmed backdrop, with a title, a message and two buttons, the action's first.
// Escape and Cancel close it unanswered; only the action button answers (`accepted`). A click on
// the backdrop does nothing: the second click of a double click on the button that opened the
// question lands there, and must not take the question away. Return presses no button: these
// actions are never one key press away. Its title names the dialog for a screen reader.
T.Dialog {
    id: alert

    // The palette of the screen that shows the alert: the alert is drawn above the window's
    // content, out of reach of the screen's own.
    required property Palette themePalette
    property string message
    property string actionTitle
    property string cancelTitle: qsTr("Cancel")
    // The action replaces what was there: drawn in the warning colour rather than as the default.
    property bool destructive: false
    // Shown between the message and the buttons, when given (choices the action takes along).
    property Component details: null

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(460, parent ? parent.width - 48 : 460)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    padding: 22

    // The control that asked takes the keyboard back, however the alert closed; a step the action
    // starts may put it on its outcome instead.
    onAboutToShow: opener.remember(parent ? parent.Window.window : null)
    onClosed: opener.giveBack()
    readonly property FocusOpener opener: FocusOpener {}

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    background: Rectangle {
        Theme.palette: alert.themePalette
        radius: Tokens.radius.card
        color: Theme.palette.surfaceRaised
        border.width: 1
        border.color: Theme.palette.border
        antialiasing: true
    }

    contentItem: ColumnLayout {
        Theme.palette: alert.themePalette
        spacing: 12

        HeardText {
            heading: true
            objectName: "alertTitle"
            Layout.fillWidth: true
            text: alert.title
            textFormat: Text.PlainText
            font: Tokens.text.h3
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
            // A name from another Mac may run on for ever; the buttons stay in view.
            maximumLineCount: 3
            elide: Text.ElideRight
        }
        HeardText {
            objectName: "alertMessage"
            Layout.fillWidth: true
            text: alert.message
            textFormat: Text.PlainText
            font: Tokens.text.body
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
            maximumLineCount: 16
            elide: Text.ElideRight
        }
        Loader {
            objectName: "alertDetails"
            Layout.fillWidth: true
            active: alert.details !== null
            visible: active
            sourceComponent: alert.details
        }
        RowLayout {
            Layout.topMargin: 6
            Layout.alignment: Qt.AlignRight
            spacing: 12

            ActionButton {
                objectName: "alertAction"
                prominent: true
                destructive: alert.destructive
                text: alert.actionTitle
                onClicked: {
                    alert.accepted();
                    alert.close();
                }
            }
            ActionButton {
                objectName: "alertCancel"
                prominent: false
                text: alert.cancelTitle
                onClicked: alert.close()
            }
        }
    }
}
