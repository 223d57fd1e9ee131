import QtQuick

// The vertical stack of a page's sections: `spacing` points between consecutive children, each
// child centred horizontally (a child lines up on the leading edge only when it fills the width).
// No background, border, margin or scrolling.
Column {
    id: stack

    function centre() {
        for (const child of children)
            child.x = Qt.binding(() => Math.round((stack.width - child.width) / 2));
    }

    onChildrenChanged: centre()
}
