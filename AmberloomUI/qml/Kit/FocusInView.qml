import QtQuick
import AmberLoom.UI

// Keeps the item with the keyboard's focus in view on a scrolling page: whenever the focus moves
// to an item inside `flickable`, the page scrolls the least that shows it whole, with `margin`
// points around it. A page that holds no focus is left where the user put it.
QtObject {
    id: keeper

    required property Flickable flickable
    property real margin: 8
    readonly property Item focused: flickable.Window.activeFocusItem

    // Laid out first: a row that takes the focus as it is made has no place yet.
    onFocusedChanged: Qt.callLater(reveal)

    function reveal() {
        const item = focused;
        if (!item || !flickable.visible || !FocusChain.isWithin(item, flickable.contentItem))
            return;
        const box = item.mapToItem(flickable.contentItem, 0, 0, item.width, item.height);
        let y = flickable.contentY;
        if (box.y + box.height + margin > y + flickable.height)
            y = box.y + box.height + margin - flickable.height;
        if (box.y - margin < y)
            y = box.y - margin;
        const top = flickable.originY - flickable.topMargin;
        const bottom = flickable.originY + flickable.contentHeight + flickable.bottomMargin - flickable.height;
        flickable.contentY = Math.max(top, Math.min(y, bottom));
    }
}
