import QtQuick

// The vertical stack of a page's sections: `spacing` points between consecutive children, each
// child centred horizontally (a child lines up on the leading edge only when it fills the width).
// No background, border, margin or scrolling.
Column {
    id: stack

    onChildrenChanged: {
        for (let i = 0; i < children.length; ++i)
            children[i].anchors.horizontalCenter = stack.horizontalCenter;
    }
}
