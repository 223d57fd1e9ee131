import QtQuick
import QtQuick.Dialogs

// The save panel of the export command: proposes "amberloom-settings.sh", shell scripts only.
// open() shows it; it then signals chosen(file address) or cancelled(). Tests put a panel of
// their own with the same members in its place.
FileDialog {
    signal chosen(url file)
    signal cancelled()

    fileMode: FileDialog.SaveFile
    title: qsTr("Every setting you have set on this Mac, as a script you can run on another one.")
    currentFile: "amberloom-settings.sh"
    defaultSuffix: "sh"
    nameFilters: [qsTr("Shell scripts (*.sh)")]
    onAccepted: chosen(selectedFile)
    onRejected: cancelled()
}
