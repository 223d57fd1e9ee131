import QtQuick
import AmberLoom.UI

// The questions asked over whatever the window shows: whether a batch whose undo point cannot be
// stored may go on without one (one WayBackQuestion per model that runs batches), and the batches
// the last run left unsettled. A dialog is made from its file only while its question is asked,
// so none of this costs the start anything (the alert too: its file, and the controls' module it
// needs, are loaded when it is first shown). What the Undos of unsettled batches did is said in an
// alert of its own once none is offered any more: the offer comes over whichever screen shows,
// which need not show it.
Item {
    id: host

    // WayBackQuestion objects, or null.
    property var questions: []
    property InterruptedBatchOffer interrupted: null
    property Palette theme: null

    Repeater {
        model: host.questions
        delegate: Loader {
            required property var modelData
            active: modelData !== null && modelData.isAsking
            source: "TwoAnswerDialog.qml"
            onLoaded: {
                const question = modelData;
                item.theme = Qt.binding(() => host.theme);
                item.title = question.title;
                item.message = question.message;
                item.defaultTitle = qsTr("Cancel");
                item.otherTitle = qsTr("Continue");
                item.otherIsDestructive = true;
                item.defaultChosen.connect(() => question.decline());
                item.otherChosen.connect(() => question.agree());
            }
        }
    }

    Loader {
        id: offerDialog
        active: host.interrupted !== null && host.interrupted.isAsking
        source: "TwoAnswerDialog.qml"
        onLoaded: {
            const offer = host.interrupted;
            item.theme = Qt.binding(() => host.theme);
            item.title = offer.title;
            item.message = Qt.binding(() => offer.message);
            item.defaultTitle = qsTr("Undo");
            item.otherTitle = qsTr("Keep");
            item.escapeGivesDefault = false;
            item.defaultChosen.connect(() => offer.undo());
            item.otherChosen.connect(() => offer.keep());
        }
        Connections {
            target: host.interrupted
            // The next batch, if any, is asked in the same dialog.
            function onOfferChanged() {
                if (offerDialog.item)
                    offerDialog.item.answered = false;
                host.showOutcome();
            }
            function onOutcomeChanged() { host.showOutcome() }
        }
    }

    function showOutcome() {
        const offer = host.interrupted;
        if (!offer || offer.isAsking || offer.outcome === "")
            return;
        const alert = Qt.createComponent("DialogAlert.qml").createObject(host, {
            objectName: "interruptedOutcome", themePalette: host.theme, title: offer.title, message: offer.outcome});
        alert.themePalette = Qt.binding(() => host.theme);  // follows the colour scheme while it is open
        alert.open();
        offer.outcomeShown();
    }
}
