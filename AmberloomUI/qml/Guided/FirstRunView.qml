import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The wizard shown the first time the application opens. The route the start-up scan chose
// decides its title, its body and its buttons: bring settings over from a backup, look around,
// back up what this Mac already has, or compare this Mac with a backup. Every control calls the
// model or leaves the wizard through `finish`; the owner hides the wizard then.
Item {
    id: view

    // A FirstRunModel.
    required property var model

    // Every control that leaves the wizard.
    signal finish()

    readonly property int route: model.route
    // Backed up or brought over in this run: "Browse settings" is the way on.
    readonly property bool movedOn: model.hasMovedOn
    readonly property bool asking: model.hasPendingRestore || model.asksToReplaceBackup
    // A restore or its undo under way: no control takes input until it ends.
    readonly property bool working: model.progress.shown

    implicitWidth: 980
    implicitHeight: 560

    // The backup folder is read when the wizard appears, not at start.
    Component.onCompleted: model.refreshBackups()

    BatchOutcomeFocus {
        batch: view.model.batch
        screen: view
        outcomeNames: ["undoResult", "outcomeText"]
    }

    AppCanvas {}

    // Return and Escape, as the route gives them to its buttons. Never while a question is open,
    // and never the backup of the compare route: that one may replace this Mac's earlier backup.
    // Once this run has backed up or brought settings over, Return browses the settings.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: !view.asking && !view.working
                 && (view.movedOn || view.route === FirstRunModel.Discover || view.route === FirstRunModel.BackUpWhatYouHave)
        onActivated: view.movedOn || view.route === FirstRunModel.Discover ? view.finish() : view.model.askToBackUp()
    }
    Shortcut {
        sequence: "Escape"
        enabled: !view.asking && !view.working && view.route === FirstRunModel.BackUpWhatYouHave
        onActivated: view.finish()
    }

    // After a backup or a restore its outcome is brought into view, and kept there as it grows.
    OutcomeInView { id: outcomeInView; flickable: scroller; target: outcomeRow }
    Connections {
        target: view.model
        function onOutcomeRowChanged() { outcomeInView.show() }
    }
    Connections {
        target: view.model.progress
        function onShownChanged() { outcomeInView.show() }
    }

    // Everything but the footer scrolls; the footer, with "Skip", stays at the bottom in view.
    PageFlickable {
        id: scroller
        objectName: "wizardScroller"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: footer.top
        anchors.bottomMargin: 22
        contentWidth: width
        contentHeight: stack.implicitHeight + 32
        clip: true

        PageScrollBar {
            flickable: scroller
            objectName: "wizardScrollBar"
            alwaysShown: true
        }

        ColumnLayout {
            id: stack
            enabled: !view.working
            x: 32
            y: 32
            width: scroller.width - 64
            spacing: 22

            ColumnLayout {
                objectName: "header"
                Layout.fillWidth: true
                spacing: 6

                HeardText {
                    heading: true
                    objectName: "title"
                    Layout.fillWidth: true
                    text: view.model.title
                    textFormat: Text.PlainText
                    font: Tokens.text.h2
                    color: Theme.palette.onSurface
                    wrapMode: Text.Wrap
                }
                HeardText {
                    objectName: "subtitle"
                    Layout.fillWidth: true
                    text: view.model.subtitle
                    textFormat: Text.PlainText
                    font: Tokens.text.bodyLg
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
                SymbolText {
                    objectName: "unreadableSettings"
                    visible: view.model.unreadableNote !== ""
                    symbol: "exclamationmark.triangle"
                    text: view.model.unreadableNote
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                }
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: Theme.palette.borderStrong
                opacity: 0.4
            }

            // Which groups this Mac has customised most.
            Flow {
                objectName: "groupBreakdown"
                Layout.fillWidth: true
                visible: view.route === FirstRunModel.BackUpWhatYouHave
                spacing: 8

                Repeater {
                    model: view.model.groupChips

                    Rectangle {
                        id: chip
                        required property var modelData
                        objectName: "groupChip"
                        implicitWidth: chipRow.implicitWidth + 18
                        implicitHeight: chipRow.implicitHeight + 10
                        radius: height / 2
                        color: Theme.palette.surfaceGlass
                        Accessible.role: Accessible.StaticText
                        Accessible.name: modelData.accessibleName

                        Row {
                            id: chipRow
                            anchors.centerIn: parent
                            spacing: 5
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: chip.modelData.group
                                textFormat: Text.PlainText
                                font: Tokens.text.caption
                                color: Theme.palette.onSurfaceMuted
                                Accessible.ignored: true
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: chip.modelData.countText
                                textFormat: Text.PlainText
                                font: Tokens.text.kicker
                                color: Theme.palette.stateOn
                                Accessible.ignored: true
                            }
                        }
                    }
                }
            }

            BackupList {
                objectName: "backupList"
                Layout.fillWidth: true
                visible: view.route === FirstRunModel.Restore || view.route === FirstRunModel.Compare
                backups: view.model.backupList
                reading: view.model.readingBackups
                onRestore: index => view.model.askToRestore(index)
            }

            RowLayout {
                objectName: "buttons"
                spacing: 12

                ActionButton {
                    objectName: "backUpButton"
                    visible: view.route === FirstRunModel.BackUpWhatYouHave || view.route === FirstRunModel.Compare
                    prominent: !view.movedOn
                    text: view.route === FirstRunModel.Compare ? qsTr("Back up this Mac too") : qsTr("Back up this Mac")
                    onClicked: view.model.askToBackUp()
                }
                ActionButton {
                    objectName: "skipForNowButton"
                    visible: view.route === FirstRunModel.BackUpWhatYouHave && !view.movedOn
                    prominent: false
                    text: qsTr("Skip for now")
                    onClicked: view.finish()
                }
                ActionButton {
                    objectName: "browseButton"
                    visible: view.route !== FirstRunModel.BackUpWhatYouHave || view.movedOn
                    prominent: view.route === FirstRunModel.Discover || view.movedOn
                    text: qsTr("Browse settings")
                    onClicked: view.finish()
                }
            }

            BackupOutcomeRow {
                id: outcomeRow
                objectName: "outcomeRow"
                Layout.fillWidth: true
                visible: view.model.hasOutcome || view.working
                content: view.model.outcomeRow
                progress: view.model.progress
                onUndo: view.model.undoRestore()
            }

            ColumnLayout {
                objectName: "unreadableWarning"
                Layout.fillWidth: true
                visible: view.model.unreadableWarnings.length > 0
                spacing: 4

                Repeater {
                    model: view.model.unreadableWarnings

                    RowLayout {
                        required property string modelData
                        Layout.fillWidth: true
                        spacing: 6
                        SymbolIcon {
                            Layout.alignment: Qt.AlignTop
                            Layout.topMargin: 1
                            name: "exclamationmark.triangle"
                            pointSize: 14
                            color: Theme.palette.stateWarn
                        }
                        Text {
                            Layout.fillWidth: true
                            text: modelData
                            textFormat: Text.PlainText
                            font: Tokens.text.caption
                            color: Theme.palette.stateWarn
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }

        }
    }

    RowLayout {
        id: footer
        objectName: "footer"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 32
        anchors.rightMargin: 32
        anchors.bottomMargin: 32
        enabled: !view.working

        Text {
            objectName: "folderPath"
            Layout.fillWidth: true
            text: view.model.backupFolder
            textFormat: Text.PlainText
            font: Tokens.text.mono
            color: Theme.palette.onSurfaceFaint
            elide: Text.ElideLeft
            maximumLineCount: 1
        }
        T.Button {
            id: skip
            objectName: "skipButton"
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            implicitHeight: implicitContentHeight + topPadding + bottomPadding
            padding: 4
            text: qsTr("Skip")
            contentItem: Text {
                text: skip.text
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                opacity: !skip.enabled ? 0.45 : skip.down ? 0.6 : 1
            }
            FocusRing { cornerRadius: 4 }
            onClicked: view.finish()
        }
    }

    RestoreConfirmation {
        model: view.model
        themePalette: view.Theme.palette
    }
    ReplaceBackupConfirmation {
        model: view.model
        themePalette: view.Theme.palette
    }
}
