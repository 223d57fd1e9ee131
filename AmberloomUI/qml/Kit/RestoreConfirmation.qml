import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The question before a restore, shown while the model has a restore pending: what the backup
// would bring over and what it would replace, and one tick box per macOS protection it would
// change, each with what switching it off risks, and per value macOS wrote itself or of the wrong
// kind, each with why; such an entry comes over only when ticked.
// "Restore" runs the restore; every other way of closing it drops the pending restore.
BackupAlert {
    id: confirmation

    // A FirstRunModel.
    required property var model

    objectName: "restoreConfirmation"
    title: model.confirmationTitle
    message: model.confirmationMessage
    actionTitle: qsTr("Restore")
    destructive: true
    details: model.restoreProtections.length > 0 ? protectionList : null

    onAccepted: model.confirmRestore()
    onClosed: model.hasPendingRestore = false

    Component.onCompleted: if (model.hasPendingRestore) open()
    Connections {
        target: confirmation.model
        function onPendingRestoreChanged() {
            if (confirmation.model.hasPendingRestore) confirmation.open();
            else confirmation.close();
        }
    }

    Component {
        id: protectionList

        // A long list scrolls within a third of the window, so that the buttons stay on screen; the
        // tick box the keyboard reaches is scrolled into view.
        Flickable {
            id: protections
            objectName: "restoreProtections"
            implicitHeight: Math.min(rows.implicitHeight,
                                     Math.max(100, (confirmation.parent ? confirmation.parent.height : 560) / 3))
            contentHeight: rows.implicitHeight
            contentWidth: width
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            PageScrollBar {
                id: bar
                flickable: protections
                alwaysShown: true
            }
            FocusInView { flickable: protections }

            ColumnLayout {
                id: rows
                width: protections.width - (bar.visible ? 14 : 0)
                spacing: 10

                Repeater {
                    // By count, so that a tick changes the rows in place and the focus stays on it.
                    model: confirmation.model.restoreProtections.length

                    RowLayout {
                        id: protection
                        required property int index
                        readonly property var row: confirmation.model.restoreProtections[index] || ({})

                        objectName: "protection-" + index
                        Layout.fillWidth: true
                        spacing: 10

                        TickBox {
                            objectName: "tick"
                            Layout.alignment: Qt.AlignTop
                            Layout.topMargin: 1
                            checked: protection.row.brings === true
                            onToggled: confirmation.model.setBringsProtection(protection.index, checked)
                            text: protection.row.tickName || ""
                            Accessible.description: protection.row.note || ""
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            Text {
                                objectName: "label"
                                Layout.fillWidth: true
                                text: protection.row.label || ""
                                textFormat: Text.PlainText
                                font: Tokens.text.label
                                color: Theme.palette.onSurface
                                wrapMode: Text.Wrap
                            }
                            SymbolText {
                                objectName: "note"
                                Layout.fillWidth: true
                                visible: (protection.row.note || "") !== ""
                                symbol: protection.row.isProtection === false ? "hand.raised" : "lock.shield"
                                text: protection.row.note || ""
                                font: Tokens.text.caption
                                color: protection.row.isProtection === false ? Theme.palette.onSurfaceMuted
                                                                             : Theme.palette.stateWarn
                            }
                        }
                    }
                }
            }
        }
    }
}
