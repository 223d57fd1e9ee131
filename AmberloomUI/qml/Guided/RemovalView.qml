import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// Preparing to remove AmberLoom: the changed settings that stay behind (with a way to put them
// all back), the application's own files with their sizes (with a way to delete them), the
// backups that stay, the result of the last step and how to finish. Each step asks first.
Item {
    id: view

    required property RemovalModel model
    property bool confirmingRevert: false
    property bool confirmingDelete: false
    // The count of changed settings taken just before the files went; -1 until then.
    property int settingsChangedBeforeDeletion: -1
    // Whether a change history told that count then (see settingsSetWithoutHistory).
    property bool historyToldBeforeDeletion: true
    readonly property bool historyGone: settingsChangedBeforeDeletion >= 0
    readonly property int count: historyGone ? settingsChangedBeforeDeletion : model.settingsLeftChanged
    // No change history says which of the values set here AmberLoom changed: it cannot claim none.
    readonly property bool changesUnknown: count === 0 && model.settingsSetWithoutHistory > 0
                                           && !(historyGone && historyToldBeforeDeletion)
    // Putting the settings back under way: no control takes input until it ends.
    readonly property bool working: model.progress.shown

    implicitHeight: body.implicitHeight

    BatchOutcomeFocus {
        batch: view.model.batch
        screen: view
        outcomeNames: ["outcomeRow"]
    }

    ColumnLayout {
        id: body
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 18
        enabled: !view.working

        ColumnLayout {
            objectName: "settingsSection"
            Layout.fillWidth: true
            spacing: 8
            HeardText {
                heading: true
                text: qsTr("What stays behind")
                font: Tokens.text.label
                color: Theme.palette.onSurface
            }
            HeardText {
                objectName: "settingsText"
                Layout.fillWidth: true
                text: view.changesUnknown
                      ? qsTr("Without a change history, AmberLoom cannot tell which settings it changed. ")
                        + view.model.settingsSetWithoutHistory
                        + qsTr(" settings it knows are set on this Mac and will stay as they are.")
                      : view.count === 0
                      ? qsTr("You have not changed any settings with AmberLoom, so removing it leaves your Mac exactly as it is.")
                      : view.historyGone
                        ? qsTr("Deleting AmberLoom does not undo its work. ") + view.count
                          + qsTr(" settings you changed here will stay changed — and with your change history gone, AmberLoom can no longer put them back for you.")
                        : qsTr("Deleting AmberLoom does not undo its work. ") + view.count
                          + qsTr(" settings you changed here will stay changed.")
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
            ActionButton {
                objectName: "revertButton"
                visible: view.count > 0 && !view.historyGone
                prominent: false
                enabled: !view.model.isDryRun
                text: qsTr("Put all ") + view.count + qsTr(" settings back to their macOS defaults")
                onClicked: view.confirmingRevert = true
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.palette.border
        }

        ColumnLayout {
            objectName: "filesSection"
            Layout.fillWidth: true
            spacing: 8
            HeardText {
                heading: true
                text: qsTr("Files AmberLoom keeps on this Mac")
                font: Tokens.text.label
                color: Theme.palette.onSurface
            }
            HeardText {
                objectName: "noFiles"
                visible: view.model.appData.count === 0
                Layout.fillWidth: true
                text: qsTr("None — there is nothing left to delete.")
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
            Repeater {
                model: view.model.appData
                RowLayout {
                    required property string label
                    required property string size
                    required property string accessibleName
                    Layout.fillWidth: true
                    spacing: 8
                    Accessible.role: Accessible.StaticText
                    Accessible.name: accessibleName
                    Text {
                        Layout.fillWidth: true
                        text: parent.label
                        textFormat: Text.PlainText
                        font: Tokens.text.body
                        color: Theme.palette.onSurfaceMuted
                        elide: Text.ElideRight
                    }
                    Text {
                        objectName: "fileSize"
                        text: parent.size
                        textFormat: Text.PlainText
                        font: Tokens.text.mono
                        color: Theme.palette.onSurfaceFaint
                        horizontalAlignment: Text.AlignRight
                    }
                }
            }
            ActionButton {
                objectName: "deleteButton"
                visible: view.model.appData.count > 0
                prominent: false
                enabled: !view.model.isDryRun
                text: qsTr("Delete these files")
                onClicked: view.confirmingDelete = true
            }
        }

        ColumnLayout {
            objectName: "backupsSection"
            visible: view.model.backupsPath !== ""
            Layout.fillWidth: true
            spacing: 4
            SymbolText {
                wraps: false
                symbol: "externaldrive"
                text: qsTr("Your backups are left alone")
                font: Tokens.text.caption
                color: Theme.palette.stateOn
            }
            Text {
                Layout.fillWidth: true
                text: view.model.backupsPath
                textFormat: Text.PlainText
                font: Tokens.text.mono
                color: Theme.palette.onSurfaceFaint
                elide: Text.ElideLeft
                Accessible.name: qsTr("Backups stay at ") + view.model.backupsPath
            }
        }

        WorkingLine {
            objectName: "workingLine"
            Layout.fillWidth: true
            visible: view.working
            text: view.model.progress.text
        }
        SymbolText {
            objectName: "outcomeRow"
            visible: view.model.hasOutcome && !view.working
            symbol: view.model.outcomeIsWarning ? "exclamationmark.triangle" : "checkmark.seal"
            color: view.model.outcomeIsWarning ? Theme.palette.stateWarn : Theme.palette.stateOn
            font: Tokens.text.caption
            text: view.model.outcomeText
        }

        // What went wrong beside the step itself: sync at login left on, or no undo point kept.
        SymbolText {
            objectName: "problemRow"
            visible: view.model.lastError !== ""
            symbol: "exclamationmark.triangle"
            color: Theme.palette.stateWarn
            font: Tokens.text.caption
            text: view.model.lastError
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.palette.border
        }

        HeardText {
            objectName: "closingSentence"
            Layout.fillWidth: true
            text: view.model.closingSentence
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceMuted
            wrapMode: Text.Wrap
        }
    }

    onConfirmingRevertChanged: if (confirmingRevert) revertConfirmation.open()
    onConfirmingDeleteChanged: if (confirmingDelete) deleteConfirmation.open()

    ConfirmationDialog {
        id: revertConfirmation
        objectName: "revertConfirmation"
        theme: view.Theme.palette
        onClosed: view.confirmingRevert = false
        title: qsTr("Put ") + view.count + qsTr(" settings back to their macOS defaults?")
        message: qsTr("AmberLoom will clear every setting it changed, so your Mac goes back to Apple's usual settings. This cannot be undone from here.")
                 + "\n\n" + qsTr("Automatic sync and sync at startup are turned off too, so that your other Macs do not bring these settings back.")
        actionTitle: qsTr("Put them back")
        onConfirmed: view.model.revertEverything()
    }

    ConfirmationDialog {
        id: deleteConfirmation
        objectName: "deleteConfirmation"
        theme: view.Theme.palette
        onClosed: view.confirmingDelete = false
        title: qsTr("Delete AmberLoom's files?")
        message: qsTr("Your undo history goes with them, so earlier changes can no longer be undone. Your backups are not touched. Once your change history is gone, putting the settings you changed back to their macOS defaults will no longer be possible.")
        actionTitle: qsTr("Delete")
        onConfirmed: {
            // Taken before the files go, shown once they are gone: while the work runs, the
            // history is still there.
            const changed = view.model.settingsLeftChanged;
            const told = view.model.settingsSetWithoutHistory === 0;
            view.model.removeAppData();
            view.historyToldBeforeDeletion = told;
            view.settingsChangedBeforeDeletion = changed;
        }
    }

    // Putting the settings back when its undo point cannot be stored: asked before anything is reset.
    WayBackQuestions {
        questions: [view.model.wayBackQuestion]
        theme: view.Theme.palette
    }
}
