import QtQuick
import AmberLoom.UI

// The background of a page: the palette's surface colour over the whole of its parent. It takes
// no clicks: controls drawn over it receive theirs.
Rectangle {
    anchors.fill: parent
    color: Theme.palette.surface
}
