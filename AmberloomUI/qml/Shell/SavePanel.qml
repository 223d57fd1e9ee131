import QtQuick
import QtQuick.Dialogs
import AmberLoom.UI

// The save panel of the export command: Qt's file dialog in save mode, opening in `folder` with
// the proposed name "amberloom-settings.sh" filled in and a "Save" button; a name that is taken
// is replaced only once the user agreed. open() shows it; it then signals chosen(file) or
// cancelled(). Tests put a panel of their own with the same members in its place.
Item {
    id: panel

    // The folder shown first, as a "file:" address.
    required property url folder
    // The palette of the window: the question is drawn in the window's overlay.
    required property Palette themePalette

    signal chosen(url file)
    signal cancelled()

    function open() {
        dialog.open();
        SystemDialogs.readyOpened(dialog, "amberloom-settings.sh");
    }

    FileDialog {
        id: dialog
        objectName: "savePanelDialog"
        fileMode: FileDialog.SaveFile
        title: qsTr("Every setting you have set on this Mac, as a script you can run on another one.")
        currentFolder: panel.folder
        acceptLabel: qsTr("Save")
        defaultSuffix: "sh"
        nameFilters: [qsTr("Shell scripts (*.sh)")]
        // Asked below, the same way whichever dialog answered.
        options: FileDialog.DontConfirmOverwrite
        onAccepted: SystemDialogs.exists(selectedFile) ? replace.open() : panel.chosen(selectedFile)
        onRejected: panel.cancelled()
    }

    ConfirmationDialog {
        id: replace
        objectName: "replaceQuestion"
        property bool confirmedOnce: false
        theme: panel.themePalette
        title: qsTr("“%1” already exists. Do you want to replace it?").arg(decodeURIComponent(String(dialog.selectedFile).replace(/.*\//, "")))
        message: qsTr("A file with the same name already exists. Replacing it will overwrite its current contents.")
        actionTitle: qsTr("Replace")
        onConfirmed: {
            confirmedOnce = true;
            panel.chosen(dialog.selectedFile);
        }
        onClosed: if (!confirmedOnce) panel.cancelled()
    }
}
