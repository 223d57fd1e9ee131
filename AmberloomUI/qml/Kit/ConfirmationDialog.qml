import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// A modal question over the window with a dimmed backdrop: a title, a message, a destructive
// action and "Cancel" (also Escape), in that order. "Cancel" is the default button: Return and
// Enter answer it, so that nothing is replaced or deleted by a key pressed without reading.
// `confirmed` is sent for the action; either button closes the dialog, and the keyboard's focus
// goes back where it was before it opened. Its title names the dialog for a screen reader.
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

    // Where the keyboard's focus was when the question came; nothing when a popup had it (a panel
    // that asked, which has its own place to give it back to).
    onAboutToShow: {
        const window = parent ? parent.Window.window : null;
        const focused = window ? window.activeFocusItem : null;
        focusBefore = focused && focused !== window.contentItem && !FocusChain.isInPopup(focused) ? focused : null;
        focusReasonBefore = focused && focused.focusReason !== undefined ? focused.focusReason : Qt.OtherFocusReason;
    }
    onClosed: {
        if (focusBefore)
            focusAfter.giveBack(focusBefore, focusReasonBefore);
        focusBefore = null;
    }
    property Item focusBefore: null
    property int focusReasonBefore: Qt.OtherFocusReason
    readonly property FocusReturn focusAfter: FocusReturn {}

    background: SurfaceGroup {
        Theme.palette: dialog.theme
        cornerRadius: Tokens.radius.card
        border: Theme.palette.borderStrong
    }

    contentItem: ColumnLayout {
        Theme.palette: dialog.theme
        spacing: 10
        // The question takes the keyboard as it opens: Return and Enter answer its default button.
        focus: true
        Keys.onReturnPressed: cancel.clicked()
        Keys.onEnterPressed: cancel.clicked()
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
                prominent: false
                destructive: true
                text: dialog.actionTitle
                onClicked: {
                    dialog.close();
                    dialog.confirmed();
                }
            }
            ActionButton {
                id: cancel
                objectName: "dialogCancel"
                prominent: true
                text: qsTr("Cancel")
                Accessible.defaultButton: true
                onClicked: dialog.close()
            }
        }
    }
}
