import QtQuick
import AmberLoom.UI

// A list whose rows are made only as they scroll into view, moved through from the keyboard. Its
// current row is its one stop in the window's Tab order: a row's controls take Tab focus only
// while the row is current (`focusPolicy: row.ListView.isCurrentItem || activeFocus ?
// Qt.StrongFocus : Qt.ClickFocus`), so Tab goes through the current row's controls and then on to
// the next part of the window. Up and Down go to the row before or after, made when needed, Page
// Up and Page Down a page at a time, Home and End to the first and the last row; the focus goes to
// the row's first control and the list scrolls to keep it in view. A row whose control is clicked
// becomes the current one.
ListView {
    id: list

    // The keyboard moved the current row.
    signal movedByKeys()

    keyNavigationEnabled: false
    // The rows draw their own current state. The view's highlight is then an empty item of its
    // own, which would glide after every new current row (and grow to its width, from none, when
    // the first row becomes current) at 400 points a second: a move nobody sees that redraws the
    // window at every frame for seconds. It follows the current row at once instead.
    highlightMoveDuration: 0
    highlightResizeDuration: 0

    readonly property FocusInView focusKeeper: FocusInView {
        flickable: list
        onFocusedChanged: list.followFocus(focused)
    }

    function moveTo(index, placement) {
        if (count === 0)
            return;
        const target = Math.max(0, Math.min(count - 1, index));
        currentIndex = target;
        // Said first: the list is the keyboard's to place now, also as rows made on the way
        // move its origin.
        movedByKeys();
        // The first and the last row bring the list's header and footer into view with them.
        if (target === 0)
            positionViewAtBeginning();
        else if (target === count - 1)
            positionViewAtEnd();
        else
            positionViewAtIndex(target, placement ?? ListView.Contain);
        focusCurrentRow();
    }

    // The keyboard's focus on the current row: on the first control within the row's
    // `focusTarget` when it names a part of the row to arrive at, else on the row's first control,
    // or on the row itself when it takes the focus whole.
    function focusCurrentRow() {
        const row = currentItem;
        if (!row)
            return;
        const target = firstStopWithin(row.focusTarget ?? null) ?? firstStopWithin(row) ?? (row.activeFocusOnTab ? row : null);
        if (!target)
            return;
        if (!target.activeFocus)
            target.forceActiveFocus(Qt.TabFocusReason);
        else if (target.focusReason !== undefined)
            target.focusReason = Qt.TabFocusReason;  // focused by the list's own move: shown as keyboard focus
    }

    function firstStopWithin(part) {
        const stop = part ? part.nextItemInFocusChain(true) : null;
        return stop && FocusChain.isWithin(stop, part) ? stop : null;
    }

    // The index of the row at `y` points down the view, searching towards its middle past the
    // gaps between rows; -1 for none.
    function rowAtViewY(y) {
        const step = y < height / 2 ? 4 : -4;
        for (let at = y; at >= 0 && at < height; at += step) {
            const index = indexAt(contentX + width / 2, contentY + at);
            if (index >= 0)
                return index;
        }
        return -1;
    }

    // A page down (up when negative): the row at the bottom edge (the top edge) becomes the current
    // one at the top (the bottom) of the view, so the list scrolls by all but that row; from the
    // row at that edge already, a whole page of rows on.
    function page(direction) {
        const first = rowAtViewY(0);
        const last = rowAtViewY(height - 1);
        const edge = direction > 0 ? last : first;
        const target = edge >= 0 && (edge - currentIndex) * direction > 0 ? edge
                     : currentIndex + direction * Math.max(1, last - first);
        moveTo(target, direction > 0 ? ListView.Beginning : ListView.End);
    }

    // A click (or anything but these keys) that focuses a row makes that row the current one.
    function followFocus(item) {
        let row = item;
        while (row && row.parent !== contentItem)
            row = row.parent;
        if (!row || row === currentItem || row === headerItem || row === footerItem)
            return;
        const index = indexAt(row.x + row.width / 2, row.y + row.height / 2);
        if (index >= 0)
            currentIndex = index;
    }

    Keys.onPressed: event => {
        if (event.modifiers & ~Qt.KeypadModifier)
            return;
        // From the list's header or footer, the arrows go to the current row first.
        const step = FocusChain.isWithin(Window.activeFocusItem, currentItem) ? 1 : 0;
        switch (event.key) {
        case Qt.Key_Up: moveTo(currentIndex - step); break;
        case Qt.Key_Down: moveTo(currentIndex + step); break;
        case Qt.Key_PageUp: page(-1); break;
        case Qt.Key_PageDown: page(1); break;
        case Qt.Key_Home: moveTo(0); break;
        case Qt.Key_End: moveTo(count - 1); break;
        default: return;
        }
        event.accepted = true;
    }
}
