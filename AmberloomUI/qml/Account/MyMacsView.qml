import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The My Macs page: sync this Mac, automatic sync (and whether it runs at login too), the backup
// box, the other Macs with the differences of the selected one, and the report of the last copy.
// Everything shown comes from the sync model (and the first-run model for backups); the page only
// calls their operations.
Item {
    id: page

    required property SyncModel model
    // The first-run model; without one the backup box is left out.
    property var backup: null
    // The login item behind "Sync at startup too?".
    property StartupQuestion startup: StartupQuestion {}

    readonly property bool hasOthers: model.otherCount > 0
    // A copy, a restore or an undo under way: no control takes input until it ends.
    readonly property bool working: model.progress.shown || (backup !== null && backup.progress.shown)
    // Shown in the window's tool bar.
    readonly property string title: qsTr("My Macs")
    readonly property string subtitle: hasOthers ? CountText.of(qsTr("%lld other Macs"), model.otherCount)
                                                 : qsTr("no other Macs yet")

    AppCanvas {}

    BatchOutcomeFocus {
        batch: page.model.batch
        screen: page
        outcomeNames: ["reportSummary", "lastError"]
    }
    BatchOutcomeFocus {
        batch: page.backup ? page.backup.batch : null
        screen: page
        outcomeNames: ["undoResult", "outcomeText"]
    }

    // The backup folder is read each time the page appears, not at start.
    Component.onCompleted: if (backup !== null) backup.refreshBackups()

    Connections {
        target: page.model
        function onIsAutoSyncOnChanged() { page.startup.autoSyncChanged(page.model.isAutoSyncOn) }
        function onReportChanged() { reportInView.show() }
    }
    // A copy is started at the top of the page; what it is doing and then what it did show at the
    // bottom, below the differences, and are brought into view.
    Connections {
        target: page.model.progress
        function onShownChanged() { page.model.progress.shown ? workingInView.show() : reportInView.show() }
    }
    OutcomeInView { id: workingInView; flickable: flick; target: workingLine }
    OutcomeInView { id: reportInView; flickable: flick; target: reportRow }

    PageFlickable {
        id: flick
        objectName: "pageScroller"
        anchors.fill: parent
        contentWidth: width
        contentHeight: body.implicitHeight + 22 + 40
        clip: true

        PageScrollBar {
            flickable: flick
            alwaysShown: true
        }

        ColumnLayout {
            id: body
            enabled: !page.working
            x: 26
            y: 22
            width: flick.width - 52
            spacing: 14

            // Header: the note of the last publish and the problem line.
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4
                visible: page.model.hasPublishedPath || page.model.hasLastError || page.model.historyNote !== ""
                SymbolText {
                    font: Tokens.text.caption
                    objectName: "publishedNote"
                    visible: page.model.hasPublishedPath
                    symbol: "checkmark.seal"
                    text: page.model.publishedPath
                    color: Theme.palette.stateOn
                }
                SymbolText {
                    font: Tokens.text.caption
                    objectName: "lastError"
                    visible: page.model.hasLastError
                    symbol: "exclamationmark.triangle"
                    text: page.model.lastError
                    color: Theme.palette.stateWarn
                }
                SymbolText {
                    font: Tokens.text.caption
                    objectName: "historyNote"
                    Layout.fillWidth: true
                    visible: page.model.historyNote !== ""
                    symbol: "exclamationmark.triangle"
                    text: page.model.historyNote
                    color: Theme.palette.stateWarn
                }
            }

            // Actions.
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 8

                ActionRow {
                    objectName: "syncRow"
                    Layout.fillWidth: true
                    title: qsTr("Sync this Mac")
                    explanation: page.model.sendNeedsRoom
                                 ? qsTr("Something is waiting to be sent — the server takes it once there is room on your account.")
                                 : page.model.isWaitingToSend
                                 ? qsTr("Something is waiting to be sent — it will go with the next sync.")
                                 : qsTr("Sends this Mac's settings to your account and picks up what your other Macs shared.")
                    symbol: "arrow.triangle.2.circlepath"
                    actionTitle: qsTr("Sync now")
                    isProminent: true
                    isEnabled: true
                    disabledReason: null
                    onAction: page.model.syncNow()
                }

                Rectangle {
                    Layout.fillWidth: true
                    implicitHeight: autoSync.implicitHeight + 24
                    radius: 10
                    color: Theme.palette.surfaceRaised
                    antialiasing: true

                    RowLayout {
                        id: autoSync
                        anchors.fill: parent
                        anchors.leftMargin: 14
                        anchors.rightMargin: 14
                        anchors.topMargin: 12
                        anchors.bottomMargin: 12
                        spacing: 16

                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            Text {
                                text: qsTr("Automatic sync")
                                font: Tokens.text.rowTitle
                                color: Theme.palette.onSurface
                            }
                            Text {
                                id: autoSyncExplanation
                                objectName: "autoSyncExplanation"
                                Layout.fillWidth: true
                                text: qsTr("When on, a setting that exists on another Mac but not here at all comes over by itself when it is a plain switch, choice or slider holding a value it offers, and you decided nothing about it here. Everything else waits for you to tick it, with its reason: a protection, a value macOS writes, a place, command or address, one you reset, changed, took back or left unticked here, and a setting that differs on both sides.")
                                font: Tokens.text.rowBody
                                color: Theme.palette.onSurfaceMuted
                                wrapMode: Text.Wrap
                            }
                        }

                        T.Switch {
                            id: autoSwitch
                            objectName: "autoSyncSwitch"
                            checked: page.model.isAutoSyncOn
                            onToggled: page.model.isAutoSyncOn = checked
                            implicitWidth: 38
                            implicitHeight: 22
                            Accessible.name: qsTr("Automatic sync")
                            Accessible.description: autoSyncExplanation.text
                            indicator: SwitchTrack {
                                anchors.fill: parent
                                on: autoSwitch.checked
                            }
                            FocusRing { cornerRadius: autoSwitch.height / 2 }
                        }
                    }
                }

                SymbolText {
                    font: Tokens.text.caption
                    objectName: "autoApplied"
                    Layout.fillWidth: true
                    visible: page.model.autoAppliedCount >= 1
                    symbol: "checkmark.circle"
                    text: CountText.of(qsTr("%lld settings brought over automatically."), page.model.autoAppliedCount)
                    color: Theme.palette.stateOn
                }

                ActionRow {
                    objectName: "copyRow"
                    Layout.fillWidth: true
                    title: qsTr("Copy the ticked settings to this Mac")
                    explanation: CountText.of(qsTr("%lld settings ticked. They are written to this Mac and verified afterwards."),
                                              page.model.selectedCount)
                    symbol: "arrow.down.to.line"
                    actionTitle: qsTr("Copy over")
                    isProminent: true
                    isEnabled: page.model.selectedCount > 0
                    disabledReason: qsTr("Nothing ticked yet — choose the differences you want from the list below.")
                    onAction: page.model.applySelected()
                }
            }

            // Backup box.
            SurfaceGroup {
                objectName: "backupSection"
                Layout.fillWidth: true
                visible: page.backup !== null
                cornerRadius: 10
                border: Theme.palette.border

                Item {
                    implicitHeight: backupColumn.implicitHeight + 28
                    ColumnLayout {
                        id: backupColumn
                        anchors.fill: parent
                        anchors.leftMargin: 18
                        anchors.rightMargin: 18
                        anchors.topMargin: 14
                        anchors.bottomMargin: 14
                        spacing: 10

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 12
                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 3
                                Text {
                                    text: qsTr("Back up this Mac")
                                    font: Tokens.text.h3
                                    color: Theme.palette.onSurface
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: qsTr("A full copy of this Mac's settings goes into your backup folder; you can bring it back at any time.")
                                    font: Tokens.text.body
                                    color: Theme.palette.onSurfaceMuted
                                    wrapMode: Text.Wrap
                                }
                            }
                            ActionButton {
                                objectName: "backUpButton"
                                Layout.alignment: Qt.AlignTop
                                prominent: false
                                text: qsTr("Back up now")
                                onClicked: page.backup.backUpNow()
                            }
                        }

                        Loader {
                            Layout.fillWidth: true
                            active: page.backup !== null && (page.backup.hasOutcome || page.backup.progress.shown)
                            visible: active
                            sourceComponent: BackupOutcomeRow {
                                content: page.backup.outcomeRow
                                progress: page.backup.progress
                                onUndo: page.backup.undoRestore()
                            }
                        }

                        // Counts the backups for the line shown while there are none.
                        Repeater {
                            id: backupCounter
                            model: page.backup ? page.backup.backupList : null
                            Item { visible: false }
                        }
                        Text {
                            objectName: "noBackups"
                            Layout.fillWidth: true
                            visible: backupCounter.count === 0 && !(page.backup && page.backup.readingBackups)
                            // Data goes in through a function: a replacement string would read
                            // "$&" in a path as a pattern.
                            text: qsTr("No backups in %@ yet.").replace("%@", () => page.backup ? page.backup.backupFolder : "")
                            textFormat: Text.PlainText
                            font: Tokens.text.mono
                            color: Theme.palette.onSurfaceFaint
                            maximumLineCount: 1
                            elide: Text.ElideLeft
                        }
                        BackupList {
                            Layout.fillWidth: true
                            visible: backupCounter.count > 0 || reading
                            backups: page.backup ? page.backup.backupList : null
                            reading: page.backup ? page.backup.readingBackups : false
                            onRestore: index => page.backup.askToRestore(index)
                        }
                    }
                }
            }

            // No other Macs yet.
            ColumnLayout {
                objectName: "emptyState"
                Layout.fillWidth: true
                visible: !page.hasOthers
                spacing: 8
                Text {
                    text: qsTr("No other Macs yet")
                    font: Tokens.text.h3
                    color: Theme.palette.onSurface
                }
                Text {
                    Layout.fillWidth: true
                    text: qsTr("Share this Mac's settings, then sign in to AmberLoom on your other Mac with the same address — that Mac will show up here.")
                    font: Tokens.text.body
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
            }

            // The other Macs.
            ColumnLayout {
                objectName: "macList"
                Layout.fillWidth: true
                visible: page.hasOthers
                spacing: 8
                SectionHeading {
                    title: "Your other Macs"
                    count: page.model.otherCount
                }
                Repeater {
                    model: page.model.macs
                    MacRow {
                        objectName: "macRow-" + deviceID
                        Layout.fillWidth: true
                        onClicked: page.model.selectedDeviceID = deviceID
                    }
                }
            }

            // The differences of the selected Mac.
            ColumnLayout {
                objectName: "differences"
                Layout.fillWidth: true
                visible: page.hasOthers
                spacing: 8

                SectionHeading {
                    title: "Differences"
                    count: page.model.actionableCount
                }

                RowLayout {
                    objectName: "summary"
                    Layout.fillWidth: true
                    spacing: 10
                    Text {
                        text: CountText.of(qsTr("%lld to review"), page.model.actionableCount)
                        font: Tokens.text.label
                        color: Theme.palette.onSurface
                    }
                    Text {
                        text: CountText.of(qsTr("%lld already the same"), page.model.identicalCount)
                        font: Tokens.text.caption
                        color: Theme.palette.onSurfaceMuted
                    }
                    Text {
                        objectName: "pinnedCount"
                        visible: page.model.pinnedCount > 0
                        text: CountText.of(qsTr("%lld kept different on this Mac"), page.model.pinnedCount)
                        font: Tokens.text.caption
                        color: Theme.palette.stateWarn
                    }
                    Item { Layout.fillWidth: true }
                    BorderlessButton {
                        font: Tokens.text.caption
                        color: Theme.palette.primary
                        objectName: "selectAll"
                        text: qsTr("Select all")
                        onClicked: page.model.selectAll()
                    }
                    BorderlessButton {
                        font: Tokens.text.caption
                        color: Theme.palette.primary
                        objectName: "selectNone"
                        text: qsTr("Select none")
                        onClicked: page.model.clearSelection()
                    }
                }

                Repeater {
                    model: page.model.differences
                    DifferenceCard {
                        objectName: "card-" + settingID
                        Layout.fillWidth: true
                        sync: page.model
                    }
                }

                Text {
                    objectName: "nothingToBring"
                    Layout.fillWidth: true
                    Layout.topMargin: 20
                    visible: page.model.actionableCount === 0
                    text: qsTr("Nothing to bring over — this Mac already matches %@.").replace("%@", () => page.model.selectedMacName)
                    textFormat: Text.PlainText
                    font: Tokens.text.body
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
            }

            // Documents of other Macs that could not be read.
            ColumnLayout {
                objectName: "unreadable"
                Layout.fillWidth: true
                visible: page.model.unreadable.length > 0
                spacing: 4
                Repeater {
                    model: page.model.unreadable
                    SymbolText {
                        font: Tokens.text.caption
                        required property string modelData
                        Layout.fillWidth: true
                        symbol: "exclamationmark.triangle"
                        text: qsTr("%@ could not be read").replace("%@", () => modelData)
                        color: Theme.palette.stateWarn
                    }
                }
            }

            WorkingLine {
                id: workingLine
                objectName: "workingLine"
                Layout.fillWidth: true
                visible: page.model.progress.shown
                text: page.model.progress.text
            }
            ReportRow {
                id: reportRow
                objectName: "reportRow"
                Layout.fillWidth: true
                visible: page.model.hasReport && !page.model.progress.shown
                content: page.model.reportRow
            }
        }
    }

    ConfirmationDialog {
        id: protectionConfirmation
        objectName: "protectionConfirmation"
        theme: page.Theme.palette
        title: qsTr("Change a macOS protection?")
        message: page.model.protectionQuestion
        actionTitle: qsTr("Copy over")
        onConfirmed: page.model.confirmProtections()
        // Closing comes first for either answer; the copy then goes on only when confirmed.
        onClosed: page.model.cancelProtections()
        Connections {
            target: page.model
            function onProtectionQuestionChanged() {
                if (page.model.protectionQuestion !== "") protectionConfirmation.open()
            }
        }
    }

    BackupAlert {
        id: startupAlert
        objectName: "startupQuestion"
        themePalette: page.Theme.palette
        title: qsTr("Sync at startup too?")
        message: qsTr("The app does not open and nothing appears on screen — a short sync runs in the background and quits. You can turn it off any time in System Settings → General → Login Items.")
                 + (page.startup.serverNote !== "" ? "\n\n" + page.startup.serverNote : "")
        actionTitle: qsTr("Yes, sync at startup")
        cancelTitle: qsTr("No, only while the app is open")
        onAccepted: {
            const problem = page.startup.enable();
            if (problem !== "") page.model.reportProblem(problem);
        }
        onClosed: page.startup.isAsking = false
        Connections {
            target: page.startup
            function onIsAskingChanged() { if (page.startup.isAsking) startupAlert.open() }
        }
    }

    Loader {
        active: page.backup !== null
        sourceComponent: RestoreConfirmation {
            model: page.backup
            themePalette: page.Theme.palette
        }
    }
}
