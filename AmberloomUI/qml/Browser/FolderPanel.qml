import QtQuick
import QtQuick.Dialogs
import AmberLoom.UI

// The open panel of the folder control: one folder, no files, starting in the home folder, with a
// "Choose" button. open() shows it; it then signals chosen(folder) or cancelled(). Tests put a panel
// of their own with the same members in its place.
FolderDialog {
    signal chosen(url folder)
    signal cancelled()

    objectName: "folderPanel"
    currentFolder: SystemDialogs.homeFolder()
    acceptLabel: qsTr("Choose")
    onAccepted: chosen(selectedFolder)
    onRejected: cancelled()
}
