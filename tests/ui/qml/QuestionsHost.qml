import QtQuick
import AmberLoom.UI

// The questions of the main window over an empty canvas: the way-back question of `question`
// (a WayBackQuestion, or null) and the offer of the batches a run left unsettled (`offer`).
Item {
    id: host

    property QtObject question: null
    property InterruptedBatchOffer offer: null

    AppCanvas {
        anchors.fill: parent
    }
    WayBackQuestions {
        questions: [host.question]
        interrupted: host.offer
        theme: host.Theme.palette
    }
}
