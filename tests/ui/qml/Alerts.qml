import QtQuick
import AmberLoom.UI

// The kit's alert, a question and a backup question, each with a title and a message that look
// like markup, for a test to open one by one.
Item {
    AppCanvas {}
    DialogAlert {
        objectName: "dialogAlert"
        themePalette: Theme.palette
        title: "<b>Alert</b> title"
        message: "<h1>/tmp/x</h1> could not be read"
    }
    ConfirmationDialog {
        objectName: "confirmation"
        theme: Theme.palette
        title: "Delete <i>it</i>?"
        message: "This cannot be undone"
        actionTitle: "Delete"
    }
    BackupAlert {
        objectName: "backupAlert"
        themePalette: Theme.palette
        title: "Replace <u>the</u> backup?"
        message: "The one there goes."
        actionTitle: "Replace"
    }
}
