import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The bar along the bottom of the catalogue window: practice mode, the last failed change and the
// apps that must restart, with the button that restarts them. With nothing to say it takes no room
// and is not made.
Item {
    id: statusBar

    required property SettingsModel settingsModel

    readonly property bool shown: settingsModel.isDryRun || settingsModel.hasLastError
                                  || settingsModel.pendingRestarts.length > 0

    visible: shown
    implicitHeight: shown && bar.item ? bar.item.implicitHeight : 0

    Loader {
        id: bar
        anchors.fill: parent
        active: statusBar.shown
        sourceComponent: SurfaceBar {
            border: Theme.palette.border

            Item {
                implicitWidth: row.implicitWidth + 36
                implicitHeight: row.implicitHeight + 20

                RowLayout {
                    id: row
                    anchors.fill: parent
                    anchors.leftMargin: 18
                    anchors.rightMargin: 18
                    anchors.topMargin: 10
                    anchors.bottomMargin: 10
                    spacing: 12

                    StatusLabel {
                        objectName: "practiceNotice"
                        visible: statusBar.settingsModel.isDryRun
                        symbol: "eye"
                        text: qsTr("Practice mode — nothing will really change")
                        Layout.maximumWidth: Math.ceil(implicitWidth)
                    }
                    StatusLabel {
                        objectName: "lastError"
                        visible: statusBar.settingsModel.hasLastError
                        symbol: "exclamationmark.triangle"
                        text: statusBar.settingsModel.lastError
                        oneLine: true
                        Layout.fillWidth: true
                        Layout.maximumWidth: Math.ceil(implicitWidth)
                    }
                    Item {
                        Layout.fillWidth: true
                        Layout.minimumWidth: 8
                    }
                    // The names give way to the button: cut short, with the whole list on the pointer.
                    // The layout hands out whole pixels: every text here asks for its width rounded up,
                    // or a name that fits would still lose its last letters.
                    Text {
                        id: restartList
                        objectName: "restartList"
                        visible: statusBar.settingsModel.pendingRestarts.length > 0
                        Layout.fillWidth: true
                        Layout.maximumWidth: Math.ceil(implicitWidth)
                        Layout.minimumWidth: Math.min(Math.ceil(implicitWidth), 60)
                        text: qsTr("Needs a restart: %1").arg(statusBar.settingsModel.pendingRestarts.join(", "))
                        textFormat: Text.PlainText
                        font: Tokens.text.caption
                        color: Theme.palette.onSurfaceMuted
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        HoverHandler { id: restartHover }
                        HoverTip {
                            text: restartList.text
                            hovered: restartHover.hovered && restartList.truncated
                        }
                    }
                    ActionButton {
                        objectName: "restartButton"
                        visible: statusBar.settingsModel.pendingRestarts.length > 0
                        prominent: true
                        text: qsTr("Finish applying")
                        onClicked: statusBar.settingsModel.restartPendingApps()
                    }
                }
            }
        }
    }
}
