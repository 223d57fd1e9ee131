import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The preferences window's sheet for removing AmberLoom: a heading, the removal screen over a
// model made afresh at each opening, and "Done" (also Return or Escape) to close it. The screen
// itself is made afresh too: what it remembers of one opening (a deletion) is not the next one's.
T.Dialog {
    id: sheet

    required property RemovalModelFactory factory
    property RemovalModel model: null
    // The palette of the window that opens the sheet: the sheet is drawn in its overlay.
    property Palette theme: null

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    // 520 points with its margins, as wide as the preferences window it opens over.
    width: Math.min(520, parent ? parent.width : 520)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    height: Math.min(implicitHeight, parent ? parent.height - 60 : implicitHeight)
    modal: true
    focus: true
    // Kept open while the settings are being put back, shown as work yet or not: the model must
    // outlive the work it runs. `working` is the part the user sees.
    readonly property bool busy: model !== null && model.progress.running
    readonly property bool working: model !== null && model.progress.shown
    closePolicy: busy ? T.Popup.NoAutoClose : T.Popup.CloseOnEscape
    title: qsTr("Removing AmberLoom")
    padding: 24

    onAboutToShow: model = factory.make()
    onClosed: model = null

    T.Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.35) }

    background: Rectangle {
        Theme.palette: sheet.theme
        radius: Tokens.radius.card
        color: Theme.palette.surface
        border.color: Theme.palette.borderStrong
    }

    contentItem: ColumnLayout {
        Theme.palette: sheet.theme
        spacing: 18

        HeardText {
            heading: true
            text: sheet.title
            font: Tokens.text.h2
            color: Theme.palette.onSurface
        }

        PageFlickable {
            id: removalScroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            implicitHeight: removal.item ? removal.item.implicitHeight : 0
            contentHeight: removal.item ? removal.item.implicitHeight : 0
            contentWidth: width
            clip: true
            PageScrollBar {
                id: bar
                flickable: removalScroller
                objectName: "removalScrollBar"
                alwaysShown: true
            }

            Loader {
                id: removal
                // Clear of the scroll bar, which is drawn over the trailing edge.
                width: parent.width - (bar.visible ? bar.width + 4 : 0)
                active: sheet.model !== null
                sourceComponent: RemovalView { model: sheet.model }
            }
        }

        ActionButton {
            objectName: "done"
            Layout.alignment: Qt.AlignRight
            prominent: true
            enabled: !sheet.working
            text: qsTr("Done")
            onClicked: if (!sheet.busy) sheet.close()
        }
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        // Not while the screen asks a question of its own.
        enabled: sheet.opened && !sheet.busy && !(removal.item && (removal.item.confirmingRevert || removal.item.confirmingDelete))
        onActivated: sheet.close()
    }
}
