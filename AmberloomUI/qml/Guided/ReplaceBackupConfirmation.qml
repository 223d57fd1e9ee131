import QtQuick
import AmberLoom.UI

// The question before a backup replaces this Mac's earlier backup in the backup folder, shown
// while the model asks it. "Replace" backs up; every other way of closing it backs up nothing.
BackupAlert {
    id: confirmation

    // A FirstRunModel.
    required property var model

    objectName: "replaceConfirmation"
    title: qsTr("Replace this Mac's backup?")
    message: model.replaceMessage
    actionTitle: qsTr("Replace")
    destructive: true

    onAccepted: model.confirmReplace()
    onClosed: model.asksToReplaceBackup = false

    Component.onCompleted: if (model.asksToReplaceBackup) open()
    Connections {
        target: confirmation.model
        function onReplaceQuestionChanged() {
            if (confirmation.model.asksToReplaceBackup) confirmation.open();
            else confirmation.close();
        }
    }
}
