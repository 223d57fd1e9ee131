import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The recent-changes screen: the settings the user changed here that something else changed
// back since, with tick boxes to put them back in one go, "Keep as it is" for a single one, a
// fresh check, the outcome of the last repair or undo, and the stored undo points. The title and
// subtitle are for the window that shows the screen.
Item {
    id: view

    required property RepairModel model
    // The stored undo points; the section is left out while there are none.
    property UndoPointsModel undoPoints: null
    readonly property string title: qsTr("Recent changes")
    readonly property string subtitle: model.hasFindings
                                       ? CountText.of(qsTr("%lld to look at"), model.findings.count)
                                       : qsTr("nothing to do")

    // An undo point's Undo is pressed in the list; what it is doing and then what it did show under
    // the list, and are brought into view.
    Connections {
        target: view.undoPoints
        function onOutcomeChanged() { undoOutcomeInView.show() }
    }
    Connections {
        target: view.undoPoints ? view.undoPoints.progress : null
        function onShownChanged() { view.undoPoints.progress.shown ? undoWorkingInView.show() : undoOutcomeInView.show() }
    }
    BatchOutcomeFocus {
        batch: view.model.batch
        screen: view
        outcomeNames: ["undoHeading", "reportHeading"]
    }
    BatchOutcomeFocus {
        batch: view.undoPoints ? view.undoPoints.batch : null
        screen: view
        outcomeNames: ["undoPointsOutcome"]
    }
    OutcomeInView { id: undoWorkingInView; flickable: page.flickable; target: undoWorking }
    OutcomeInView { id: undoOutcomeInView; flickable: page.flickable; target: undoOutcome }

    GuidedPage {
        id: page
        anchors.fill: parent
        working: view.model.progress.shown || (view.undoPoints !== null && view.undoPoints.progress.shown)
        horizontalPadding: 26
        topPadding: 22
        bottomPadding: 40

        CardColumn {
            objectName: "headline"
            Text {
                objectName: "headlineText"
                Layout.fillWidth: true
                text: view.model.headline
                textFormat: Text.PlainText
                font: Tokens.text.label
                color: view.model.hasFindings ? Theme.palette.onSurface : Theme.palette.stateOn
                wrapMode: Text.Wrap
            }
            Text {
                visible: view.model.hasFindings
                Layout.fillWidth: true
                text: qsTr("These are settings you changed in AmberLoom. Something else has changed them since. Put back the ones you still want.")
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "dryRunNotice"
                visible: view.model.isDryRun
                text: qsTr("Dry run — nothing will be written")
                font: Tokens.text.kicker
                color: Theme.palette.stateWarn
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8
            ActionRow {
                objectName: "putBackRow"
                Layout.fillWidth: true
                readonly property int ticked: view.model.selectedCount
                title: qsTr("Put your settings back")
                explanation: ticked === 0
                             ? qsTr("Tick the ones you want restored below. Nothing is written until you press this.")
                             : CountText.of(qsTr("%lld settings ticked. Each one is written and then read back to confirm it stuck."), ticked)
                symbol: "arrow.uturn.backward"
                actionTitle: ticked === 0 ? qsTr("Put back") : qsTr("Put back ") + ticked
                isProminent: true
                isEnabled: ticked > 0
                disabledReason: qsTr("Nothing ticked yet — choose what you want restored from the list below.")
                onAction: view.model.repairSelected()
            }
            ActionRow {
                objectName: "checkNowRow"
                Layout.fillWidth: true
                title: qsTr("Look again")
                explanation: qsTr("Compares what you set in AmberLoom with what is on this Mac right now. A macOS update or another app may have changed something back.")
                symbol: "arrow.clockwise"
                actionTitle: qsTr("Check now")
                isProminent: false
                isEnabled: true
                disabledReason: null
                onAction: view.model.rescan()
            }
        }

        CardColumn {
            objectName: "unreadableHistory"
            visible: view.model.historyWasUnreadable
            SymbolText {
                symbol: "exclamationmark.triangle"
                text: qsTr("Part of your change history could not be read.")
                font: Tokens.text.label
                color: Theme.palette.stateWarn
            }
            Text {
                Layout.fillWidth: true
                text: qsTr("Settings you changed earlier may be missing from this screen. Nothing was thrown away — the file that could not be read is still on this Mac, next to the others.")
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
        }

        // A choice kept on a finding no longer listed; a listed one says it in its own card.
        CardColumn {
            objectName: "keepFailure"
            visible: view.model.keepFailure !== "" && !view.model.keepFailureListed
            SymbolText {
                symbol: "exclamationmark.triangle"
                text: qsTr("Your choice was not saved.")
                font: Tokens.text.label
                color: Theme.palette.stateWarn
            }
            Text {
                objectName: "keepFailureText"
                Layout.fillWidth: true
                text: view.model.keepFailure
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
        }

        WorkingCard { progress: view.model.progress }

        UndoReportCard {
            objectName: "undoCard"
            visible: view.model.undoReport !== null && view.model.undoReport !== undefined
            report: visible ? view.model.undoReport : { isComplete: true, restoredCount: 0, total: 0, failedLines: [] }
        }

        CardColumn {
            id: reportCard
            objectName: "reportCard"
            readonly property var report: view.model.report
            visible: report !== null && report !== undefined

            SymbolText {
                objectName: "reportHeading"
                font: Tokens.text.label
                readonly property bool clean: reportCard.visible && reportCard.report.allApplied
                symbol: clean ? "checkmark.circle" : "exclamationmark.circle"
                color: clean ? Theme.palette.stateOn : Theme.palette.stateWarn
                text: !reportCard.visible ? ""
                      : view.model.isDryRun
                        ? CountText.of(qsTr("Dry run — %lld settings were not written"), reportCard.report.total)
                        : qsTr("%lld of %lld put back and verified").replace("%lld", reportCard.report.appliedCount)
                                                                     .replace("%lld", reportCard.report.total)
            }
            Repeater {
                model: reportCard.visible ? reportCard.report.failedLines : []
                Text {
                    required property string modelData
                    Layout.fillWidth: true
                    text: modelData
                    textFormat: Text.PlainText
                    font: Tokens.text.mono
                    color: Theme.palette.stateWarn
                    wrapMode: Text.WrapAnywhere
                }
            }
            Text {
                objectName: "restartLine"
                visible: reportCard.visible && reportCard.report.restartLine !== ""
                Layout.fillWidth: true
                text: visible ? reportCard.report.restartLine : ""
                textFormat: Text.PlainText
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
            SymbolText {
                objectName: "undoWarning"
                visible: !view.model.undoSurvivesRestart && view.model.canUndo && !view.model.isDryRun
                symbol: "exclamationmark.triangle"
                text: qsTr("The undo information could not be saved. Undo still works, but only until you close this window.")
                font: Tokens.text.caption
                color: Theme.palette.stateWarn
            }
            // Stored, but without values it cannot hold: the model's sentence says which way back remains.
            SymbolText {
                objectName: "undoPointNote"
                visible: reportCard.visible && reportCard.report.allApplied && view.model.undoSurvivesRestart
                         && view.model.canUndo && !view.model.isDryRun && view.model.lastError !== ""
                symbol: "exclamationmark.triangle"
                text: visible ? view.model.lastError : ""
                font: Tokens.text.caption
                color: Theme.palette.stateWarn
            }
            ActionButton {
                objectName: "undoRepair"
                visible: !view.model.isDryRun && view.model.canUndo
                Layout.topMargin: 2
                prominent: false
                text: qsTr("Undo")
                onClicked: view.model.undoLast()
            }
        }

        Repeater {
            model: view.model.findings
            SurfaceGroup {
                id: finding
                required property var model
                objectName: "finding-" + model.findingId
                Layout.fillWidth: true
                cornerRadius: Tokens.radius.card
                border: Theme.palette.border
                Accessible.role: Accessible.Grouping
                Accessible.name: model.label

                contentItem: Item {
                    implicitHeight: findingRow.implicitHeight + 28
                    RowLayout {
                        id: findingRow
                        x: 18
                        y: 14
                        width: parent.width - 36
                        spacing: 14
                        TickBox {
                            objectName: "tick"
                            Layout.alignment: Qt.AlignTop
                            Layout.topMargin: 1
                            text: qsTr("Put back ") + finding.model.label
                            checked: finding.model.selected
                            onToggled: view.model.setSelected(finding.model.findingId, checked)
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 4
                            Text {
                                Layout.fillWidth: true
                                text: finding.model.label
                                textFormat: Text.PlainText
                                font: Tokens.text.label
                                color: Theme.palette.onSurface
                                wrapMode: Text.Wrap
                            }
                            Text {
                                objectName: "values"
                                Layout.fillWidth: true
                                text: finding.model.valuesLine
                                textFormat: Text.PlainText
                                font: Tokens.text.mono
                                color: Theme.palette.onSurfaceMuted
                                wrapMode: Text.WrapAnywhere
                            }
                            Text {
                                Layout.fillWidth: true
                                text: qsTr("You set this on ") + finding.model.chosenAt
                                textFormat: Text.PlainText
                                font: Tokens.text.caption
                                color: Theme.palette.onSurfaceFaint
                            }
                            SymbolText {
                                objectName: "keepFailure"
                                visible: finding.model.keepFailure !== ""
                                Layout.fillWidth: true
                                symbol: "exclamationmark.triangle"
                                text: finding.model.keepFailure
                                font: Tokens.text.caption
                                color: Theme.palette.stateWarn
                            }
                        }
                        BorderlessButton {
                            objectName: "keep"
                            Layout.alignment: Qt.AlignTop
                            text: qsTr("Keep as it is")
                            onClicked: view.model.keep(finding.model.findingId)
                        }
                    }
                }
            }
        }

        CardColumn {
            objectName: "calmState"
            visible: !view.model.hasFindings
            Text {
                Layout.fillWidth: true
                text: qsTr("AmberLoom remembers every setting you change here. If macOS or another app changes one back, it will show up on this screen.")
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
        }

        ColumnLayout {
            objectName: "undoPoints"
            visible: view.undoPoints !== null && view.undoPoints.count > 0
            Layout.fillWidth: true
            spacing: 8

            SectionHeading {
                objectName: "undoPointsHeading"
                title: qsTr("Undo points")
                count: view.undoPoints ? view.undoPoints.count : 0
            }
            Repeater {
                model: view.undoPoints
                Rectangle {
                    id: point
                    required property int index
                    required property string reason
                    required property string detail
                    required property string undoLabel
                    // False for a file that holds no point that can be read: listed, with no Undo.
                    required property bool readable
                    objectName: "undoPoint-" + index
                    Layout.fillWidth: true
                    implicitHeight: pointRow.implicitHeight + 28
                    radius: 12
                    color: Theme.palette.surfaceRaised

                    RowLayout {
                        id: pointRow
                        x: 16
                        y: 14
                        width: parent.width - 32
                        spacing: 16
                        Item {
                            Layout.preferredWidth: 22
                            Layout.preferredHeight: 16
                            SymbolIcon {
                                anchors.centerIn: parent
                                name: point.readable ? "clock.arrow.circlepath" : "exclamationmark.triangle"
                                pointSize: 16
                                color: Theme.palette.onSurfaceMuted
                            }
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            Text {
                                Layout.fillWidth: true
                                text: point.reason
                                textFormat: Text.PlainText
                                font: Tokens.text.rowTitle
                                color: Theme.palette.onSurface
                                wrapMode: Text.Wrap
                                // A reason naming a Mac's ID as its backup had it may be endless.
                                maximumLineCount: 3
                                elide: Text.ElideRight
                            }
                            Text {
                                Layout.fillWidth: true
                                text: point.detail
                                textFormat: Text.PlainText
                                font: Tokens.text.rowBody
                                color: Theme.palette.onSurfaceMuted
                                wrapMode: Text.Wrap
                            }
                        }
                        ActionButton {
                            objectName: "undoPoint"
                            visible: point.readable
                            prominent: false
                            text: qsTr("Undo")
                            Accessible.name: point.undoLabel
                            onClicked: view.undoPoints.undo(point.index)
                        }
                    }
                }
            }
            // What the Undo of a point does, and then what it did.
            WorkingLine {
                id: undoWorking
                objectName: "workingLine"
                Layout.fillWidth: true
                Layout.topMargin: 2
                visible: view.undoPoints !== null && view.undoPoints.progress.shown
                text: visible ? view.undoPoints.progress.text : ""
            }
            SymbolText {
                id: undoOutcome
                objectName: "undoPointsOutcome"
                readonly property bool warning: view.undoPoints !== null && view.undoPoints.outcomeIsWarning
                visible: view.undoPoints !== null && view.undoPoints.outcome !== "" && !view.undoPoints.progress.shown
                Layout.topMargin: 2
                symbol: warning ? "exclamationmark.triangle" : "checkmark.seal"
                text: visible ? view.undoPoints.outcome : ""
                font: Tokens.text.caption
                color: warning ? Theme.palette.stateWarn : Theme.palette.stateOn
            }
        }
    }
}
