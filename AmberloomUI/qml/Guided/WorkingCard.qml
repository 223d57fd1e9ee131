import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// Where a guided screen's outcome goes, while the step that brings it is under way.
CardColumn {
    id: card

    // The model's WorkInProgress.
    required property var progress

    objectName: "workingCard"
    visible: progress.shown

    WorkingLine {
        objectName: "workingLine"
        Layout.fillWidth: true
        text: card.progress.text
    }
}
