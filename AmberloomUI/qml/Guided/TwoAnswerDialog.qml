import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// A question over the window with two answers: a title, a message, then the other answer and, on
// the right and filled, the default one. Return gives the default answer, or the other when the
// focus is on it; Escape gives the answer `escapeGivesDefault` names; a click on the backdrop
// gives none. Each question is answered once (`answered` is set again for a next question). The
// title names the dialog for a screen reader and the message describes it.
T.Dialog {
    id: dialog

    // The palette of the screen that asks: the dialog is drawn in the window's overlay, outside it.
    property Palette theme: null
    property string message
    property string defaultTitle
    property string otherTitle
    // The other answer cannot be had back (it writes without a way back, say): drawn as a warning.
    property bool otherIsDestructive: false
    property bool escapeGivesDefault: true
    property bool answered: false

    signal defaultChosen()
    signal otherChosen()

    function answer(isDefault) {
        if (answered)
            return;
        answered = true;
        // After this event: the answer may end the question, and with it this dialog.
        Qt.callLater(isDefault ? dialog.defaultChosen : dialog.otherChosen);
    }

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(460, parent ? parent.width - 48 : 460)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.NoAutoClose
    padding: 22

    // Once it stands in a window: a dialog made with the window has none yet.
    Component.onCompleted: Qt.callLater(dialog.open)
    onOpened: defaultButton.forceActiveFocus()
    // The control whose step asked takes the keyboard back once the question goes, as it goes with
    // its answer: declined, nothing changed; agreed, the step's outcome may take it instead.
    onAboutToShow: opener.remember(parent ? parent.Window.window : null)
    Component.onDestruction: opener.giveBack()
    readonly property FocusOpener opener: FocusOpener {}

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    background: Rectangle {
        Theme.palette: dialog.theme
        radius: Tokens.radius.card
        color: Theme.palette.surfaceRaised
        border.width: 1
        border.color: Theme.palette.borderStrong
        antialiasing: true
    }

    contentItem: ColumnLayout {
        Theme.palette: dialog.theme
        spacing: 12
        focus: true
        Accessible.role: Accessible.Dialog
        Accessible.name: dialog.title
        Accessible.description: dialog.message
        Keys.onReturnPressed: dialog.answer(!otherButton.activeFocus)
        Keys.onEnterPressed: dialog.answer(!otherButton.activeFocus)
        Keys.onEscapePressed: dialog.answer(dialog.escapeGivesDefault)

        HeardText {
            heading: true
            objectName: "questionTitle"
            Layout.fillWidth: true
            text: dialog.title
            font: Tokens.text.h3
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
        }
        HeardText {
            objectName: "questionMessage"
            Layout.fillWidth: true
            text: dialog.message
            font: Tokens.text.body
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
            // A reason from the file system may run on; the answers stay in view.
            maximumLineCount: 12
            elide: Text.ElideRight
        }
        RowLayout {
            Layout.topMargin: 6
            Layout.alignment: Qt.AlignRight
            spacing: 12

            ActionButton {
                id: otherButton
                objectName: "questionOther"
                prominent: false
                destructive: dialog.otherIsDestructive
                text: dialog.otherTitle
                enabled: !dialog.answered
                onClicked: dialog.answer(false)
            }
            ActionButton {
                id: defaultButton
                objectName: "questionDefault"
                prominent: true
                text: dialog.defaultTitle
                enabled: !dialog.answered
                onClicked: dialog.answer(true)
            }
        }
    }
}
