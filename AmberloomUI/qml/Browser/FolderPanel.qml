import QtQuick
import QtQuick.Dialogs

// The open panel of the folder control: one folder, no files. open() shows it; it then signals
// chosen(folder address) or cancelled(). Tests put a panel of their own with the same members in
// its place.
FolderDialog {
    signal chosen(url folder)
    signal cancelled()

    acceptLabel: qsTr("Choose")
    onAccepted: chosen(selectedFolder)
    onRejected: cancelled()
}
