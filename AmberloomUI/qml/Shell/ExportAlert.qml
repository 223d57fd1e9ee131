import QtQuick
import QtQuick.Dialogs

// The alert of an export that could not be written: the write error's text and OK.
MessageDialog {
    title: qsTr("The script could not be saved")
    buttons: MessageDialog.Ok
}
