import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The sheet that explains one setting: its label and summary, why macOS hides it, its risk, the
// notes its flags call for, its identifier and a button that copies its Terminal command. A modal
// panel centred on the window over a dimmed backdrop; Done (or Return) signals `dismiss`, Escape
// closes it. It changes nothing but the clipboard.
T.Dialog {
    id: sheet

    required property SettingCardModel card
    // Where the command is copied to; null for the system pasteboard.
    property Pasteboard pasteboard: null
    property Pasteboard systemPasteboard: Pasteboard {}
    // The command was copied; a sheet opened again starts without.
    property bool copied: false
    // The palette of the system colour scheme: the sheet sits above the screen that opened it.
    readonly property Palette colours: Tokens.amberloomPalette(SystemColorScheme.scheme)

    signal dismiss()

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 420
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 22
    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    title: card.label
    onAboutToShow: {
        copied = false;
        opener.remember(parent ? parent.Window.window : null);
    }
    // The card's control that opened the sheet takes the keyboard back, however the sheet closed.
    onClosed: opener.giveBack()
    readonly property FocusOpener opener: FocusOpener {}

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(Tokens.dark.surface.r, Tokens.dark.surface.g, Tokens.dark.surface.b, 0.45)
    }

    background: Rectangle {
        radius: 12
        color: sheet.colours.surfaceRaised
        border.width: 1
        border.color: sheet.colours.borderStrong
        antialiasing: true
    }

    contentItem: ColumnLayout {
        objectName: "sheetContent"
        Theme.palette: sheet.colours
        spacing: 12
        focus: true
        Keys.onReturnPressed: sheet.dismiss()
        Keys.onEnterPressed: sheet.dismiss()

        HeardText {
            heading: true
            objectName: "sheetTitle"
            Layout.fillWidth: true
            text: sheet.card.label
            textFormat: Text.PlainText
            font: Tokens.text.label
            color: Theme.palette.onSurface
            wrapMode: Text.Wrap
        }

        HeardText {
            objectName: "sheetSummary"
            Layout.fillWidth: true
            visible: sheet.card.hasTexts
            text: sheet.card.summary
            textFormat: Text.PlainText
            font: Tokens.text.body
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
        }
        Note {
            objectName: "whyHidden"
            visible: sheet.card.hasTexts
            symbol: "eye.slash"
            text: sheet.card.whyHidden
            colour: Theme.palette.onSurfaceFaint
        }
        Note {
            objectName: "riskNote"
            visible: sheet.card.hasRiskNote
            symbol: "exclamationmark.triangle"
            text: sheet.card.riskNote
            colour: Theme.palette.stateWarn
        }
        HeardText {
            objectName: "noDescription"
            Layout.fillWidth: true
            visible: !sheet.card.hasTexts
            text: qsTr("This one does not have a description yet.")
            font: Tokens.text.body
            color: Theme.palette.onSurfaceFaint
            wrapMode: Text.Wrap
        }
        Note {
            objectName: "alsoInSystemSettings"
            visible: sheet.card.alsoInSystemSettings
            symbol: "gearshape"
            text: qsTr("You can change this in System Settings too. It is here so it syncs to your other Macs.")
            colour: Theme.palette.onSurfaceFaint
        }
        Note {
            objectName: "effectUnverified"
            visible: sheet.card.effectUnverified
            symbol: "questionmark.circle"
            text: qsTr("Saved properly, but on recent versions of macOS it may no longer do anything.")
            colour: Theme.palette.stateWarn
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.palette.border
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            TextEdit {
                objectName: "settingID"
                Layout.fillWidth: true
                text: sheet.card.settingID
                font: Qt.font({ family: "monospace", pointSize: Tokens.text.mono.pointSize,
                                weight: Tokens.text.mono.weight })
                color: Theme.palette.onSurfaceFaint
                selectionColor: Theme.palette.primary
                selectedTextColor: Theme.palette.onPrimary
                readOnly: true
                selectByMouse: true
                activeFocusOnPress: false
                wrapMode: TextEdit.WrapAnywhere
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            T.Button {
                id: copyButton
                objectName: "copyButton"
                visible: sheet.card.hasCommand
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                padding: 2
                text: sheet.copied ? qsTr("Copied") : qsTr("Copy Terminal command")
                font: Tokens.text.caption
                HoverTip {
                    tipName: "commandTip"
                    text: sheet.card.command
                    hovered: copyButton.hovered
                    delay: 500
                }
                onClicked: {
                    (sheet.pasteboard ?? sheet.systemPasteboard).copy(sheet.card.command);
                    sheet.copied = true;
                }
                contentItem: Text {
                    text: copyButton.text
                    font: copyButton.font
                    color: sheet.copied ? Theme.palette.stateOn : Theme.palette.primary
                }
                background: Item {}
                FocusRing { cornerRadius: 4 }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 4

            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "doneButton"
                prominent: true
                text: qsTr("Done")
                onClicked: sheet.dismiss()
            }
        }
    }

    // A symbol and a sentence that wraps within the sheet's width.
    component Note: RowLayout {
        id: note
        required property string symbol
        required property string text
        required property color colour
        Layout.fillWidth: true
        spacing: 6

        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 2
            name: note.symbol
            pointSize: 12
            color: note.colour
        }
        HeardText {
            objectName: note.objectName + "Text"
            Layout.fillWidth: true
            text: note.text
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: note.colour
            wrapMode: Text.Wrap
        }
    }
}
