import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// A modal question over the window with a dimmed backdrop: a title, a message, a destructive
// action and "Cancel" (also Escape), in that order. `confirmed` is sent for the action; either
// button closes the dialog. Its title names the dialog for a screen reader.
T.Dialog {
    id: dialog

    property string message
    property string actionTitle
    // The palette of the screen that asks: the dialog is drawn in the window's overlay, outside it.
    property Palette theme: null

    signal confirmed()

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(420, parent ? parent.width - 40 : 420)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    padding: 20

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.35) }

    background: SurfaceGroup {
        Theme.palette: dialog.theme
        cornerRadius: Tokens.radius.card
        border: Theme.palette.borderStrong
    }

    contentItem: ColumnLayout {
        Theme.palette: dialog.theme
        spacing: 10
        HeardText {
            heading: true
            objectName: "dialogTitle"
            Layout.fillWidth: true
            text: dialog.title
            textFormat: Text.PlainText
            font: Tokens.text.label
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
        }
        HeardText {
            objectName: "dialogMessage"
            Layout.fillWidth: true
            text: dialog.message
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
        }
        RowLayout {
            Layout.topMargin: 6
            Layout.alignment: Qt.AlignRight
            spacing: 8
            ActionButton {
                objectName: "dialogAction"
                prominent: true
                destructive: true
                text: dialog.actionTitle
                onClicked: {
                    dialog.close();
                    dialog.confirmed();
                }
            }
            ActionButton {
                objectName: "dialogCancel"
                prominent: false
                text: qsTr("Cancel")
                onClicked: dialog.close()
            }
        }
    }
}
