import QtQuick
import AmberLoom.UI

// Keeps the keyboard's place through a screen's batches: once the screen shows what a batch did,
// the focus goes to that outcome (the report, the undo's outcome or the error that replaced the
// controls that started it), and a screen reader says it as it is shown; with no outcome item in
// view, and when the way-back question was declined (nothing was written), it goes back to the
// control that started the batch.
QtObject {
    id: keeper

    // The screen's GuidedBatch (none: nothing to follow), and an item of the screen (for its window).
    required property GuidedBatch batch
    required property Item screen
    // The object names of the items that can show an outcome, the likelier first: the first of them
    // shown once the outcome is shown takes the focus.
    property var outcomeNames: []

    readonly property Window window: screen.Window.window
    readonly property Item focused: window ? window.activeFocusItem : null
    // The control the user last had, outside any question: the one that started the batch. Not
    // while it runs, when its disabled controls give the focus away.
    readonly property FocusOpener opener: FocusOpener {}
    onFocusedChanged: if (batch && !batch.progress.running) opener.remember(window)

    readonly property Connections ends: Connections {
        target: keeper.batch
        // Laid out first: the outcome's card is often made visible by the same step.
        function onOutcomeShown() { Qt.callLater(keeper.focusOutcome) }
        function onLeftAsItWas() { keeper.opener.giveBack() }
    }

    function focusOutcome() {
        const item = FocusChain.firstShown(keeper.screen, keeper.outcomeNames);
        if (item)
            item.forceActiveFocus(Qt.OtherFocusReason);
        else
            keeper.opener.giveBack();
    }
}
