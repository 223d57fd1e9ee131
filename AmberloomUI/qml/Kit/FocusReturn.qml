import QtQuick
import AmberLoom.UI

// Gives the keyboard's focus back to an item once what took it away (a menu's command, a panel, a
// question drawn over the window) is gone: when the focus falls back on the window itself, with
// nothing of its own to focus. Focus that the user puts on another control of the window meanwhile
// stays there, and an item that has gone is given nothing.
QtObject {
    id: keeper

    // The item to give the focus back to, and how it had it; null while there is none.
    property Item item: null
    property int reason: Qt.OtherFocusReason
    readonly property Window window: item ? item.Window.window : null
    readonly property Item focused: window ? window.activeFocusItem : null

    // Gives the focus back to `to` once the popups that have it now are gone.
    function giveBack(to, focusReason) {
        item = to;
        reason = focusReason;
        Qt.callLater(check);
    }

    onFocusedChanged: Qt.callLater(check)

    function check() {
        if (!item)
            return;
        if (!window || !item.visible || !item.enabled) {
            item = null;
            return;
        }
        const now = window.activeFocusItem;
        if (now === item) {
            item = null;
        } else if (!now || now === window.contentItem) {
            const back = item;
            item = null;
            back.forceActiveFocus(reason);
        } else if (!FocusChain.isInPopup(now)) {
            item = null;  // the user went on elsewhere
        }
    }
}
