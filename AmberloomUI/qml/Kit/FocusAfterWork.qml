import QtQuick

// Keeps the keyboard's place in a window across work that disables its controls. A disabled
// control loses the focus, and Qt gives it back once the control is enabled again, but as if by a
// click: without its ring. A control that had the keyboard's focus when `busy` began is shown with
// it again once `busy` ends.
QtObject {
    id: keeper

    required property Window shownIn
    required property bool busy

    // The control that the keyboard last put the focus on. Given back only when the focus is on
    // it again, so a click on another control meanwhile leaves that one as it was.
    property Item keyboardItem: null
    readonly property Item focused: shownIn.activeFocusItem

    onFocusedChanged: if (focused && focused.visualFocus === true) keyboardItem = focused
    onBusyChanged: if (!busy) Qt.callLater(giveBack)

    function giveBack() {
        if (keyboardItem && focused === keyboardItem && !keyboardItem.visualFocus)
            keyboardItem.focusReason = Qt.TabFocusReason;
    }
}
