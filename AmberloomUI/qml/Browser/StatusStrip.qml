import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// What the status bar shows while it has something to say: practice mode, the last failed change
// and the apps that must restart, with the button that restarts them.
SurfaceBar {
    id: strip

    required property SettingsModel settingsModel

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
                visible: strip.settingsModel.isDryRun
                symbol: "eye"
                text: qsTr("Practice mode — nothing will really change")
                Layout.maximumWidth: Math.ceil(implicitWidth)
            }
            StatusLabel {
                objectName: "lastError"
                visible: strip.settingsModel.hasLastError
                symbol: "exclamationmark.triangle"
                text: strip.settingsModel.lastError
                oneLine: true
                announces: true
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
            HeardText {
                id: restartList
                objectName: "restartList"
                announces: true
                visible: strip.settingsModel.pendingRestarts.length > 0
                Layout.fillWidth: true
                Layout.maximumWidth: Math.ceil(implicitWidth)
                Layout.minimumWidth: Math.min(Math.ceil(implicitWidth), 60)
                text: qsTr("Needs a restart: %1").arg(strip.settingsModel.pendingRestarts.join(", "))
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
                visible: strip.settingsModel.pendingRestarts.length > 0
                prominent: true
                text: qsTr("Finish applying")
                onClicked: strip.settingsModel.restartPendingApps()
            }
        }
    }
}
