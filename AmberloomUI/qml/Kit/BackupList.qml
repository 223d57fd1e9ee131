import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The backups of the backup folder, one card each: the Mac's name, how many settings the backup
// holds, and a button that asks to bring them over. The button only asks: the restore runs from
// the confirmation. While the folder is being read, a working line says so above the cards.
SurfaceStack {
    id: list

    // A BackupListModel.
    required property var backups
    // The backup folder is being read: the cards are those of the last read, if any.
    property bool reading: false

    // The row's button was pressed.
    signal restore(int index)

    spacing: 8

    // Said only once reading has taken a moment: a quick read shows no flash of the line.
    property bool readingShown: false
    onReadingChanged: {
        readingShown = false;
        if (reading)
            patience.restart();
        else
            patience.stop();
    }
    Component.onCompleted: if (reading) patience.start()
    Timer {
        id: patience
        interval: 100
        onTriggered: list.readingShown = list.reading
    }

    WorkingLine {
        objectName: "readingBackups"
        width: list.width
        visible: list.readingShown
        text: qsTr("Reading the backup folder…")
    }

    Repeater {
        model: list.backups

        SurfaceGroup {
            id: card
            objectName: "backupRow"

            required property int index
            required property string name
            required property string savedCount
            required property string restoreLabel

            width: list.width
            cornerRadius: 8
            border: Theme.palette.border

            RowLayout {
                spacing: 8

                ColumnLayout {
                    Layout.leftMargin: 16
                    Layout.topMargin: 12
                    Layout.bottomMargin: 12
                    Layout.fillWidth: true
                    spacing: 2

                    Text {
                        Layout.fillWidth: true
                        text: card.name
                        textFormat: Text.PlainText
                        font: Tokens.text.label
                        color: Theme.palette.onSurface
                        elide: Text.ElideRight
                    }
                    Text {
                        Layout.fillWidth: true
                        text: card.savedCount
                        textFormat: Text.PlainText
                        font: Tokens.text.caption
                        color: Theme.palette.onSurfaceMuted
                    }
                }

                ActionButton {
                    objectName: "bringOverButton"
                    Layout.rightMargin: 16
                    prominent: false
                    text: qsTr("Bring my settings over")
                    Accessible.name: card.restoreLabel
                    onClicked: list.restore(card.index)
                }
            }
        }
    }
}
