import QtQuick
import AmberLoom.UI

// A page that scrolls vertically, as every scrolling page and sheet does: it stops at its ends,
// keeps the control with the keyboard's focus in view, and answers Page Up, Page Down, Home and
// End (unless the focused control takes them, as a text field takes Home and End).
Flickable {
    id: page

    boundsBehavior: Flickable.StopAtBounds

    readonly property FocusInView focusKeeper: FocusInView { flickable: page }

    function scrollTo(y) {
        const top = originY - topMargin;
        contentY = Math.max(top, Math.min(y, originY + contentHeight + bottomMargin - height));
    }

    Keys.onPressed: event => {
        if (event.modifiers & ~Qt.KeypadModifier)
            return;
        switch (event.key) {
        case Qt.Key_PageDown: scrollTo(contentY + height - 40); break;
        case Qt.Key_PageUp: scrollTo(contentY - height + 40); break;
        case Qt.Key_Home: scrollTo(originY - topMargin); break;
        case Qt.Key_End: scrollTo(originY + contentHeight); break;
        default: return;
        }
        event.accepted = true;
    }
}
