import QtQuick
import AmberLoom.UI

// The question before a restore, shown while the model has a restore pending: what the backup
// would bring over and what it would replace. "Restore" runs the restore; every other way of
// closing it drops the pending restore.
BackupAlert {
    id: confirmation

    // A FirstRunModel.
    required property var model

    objectName: "restoreConfirmation"
    title: model.confirmationTitle
    message: model.confirmationMessage
    actionTitle: qsTr("Restore")
    destructive: true

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
}
