import QtQuick
import AmberLoom.UI

// The scroll indicator of the scrolling panes and pages: a thin rounded bar along the trailing
// edge, only when there is more to see. In the browser's panes it shows while the pane moves or
// the pointer is on it; a page that must say it goes on below shows it all the time. Its handle
// can be dragged, and a press on its track brings the handle there.
// Placed by its parent; declared inside `flickable` itself, it places itself along that one's
// trailing edge, in front of the content.
PlainScrollBar {
    id: bar

    property bool alwaysShown: false

    // The share of the content in view, and where the view begins, both from 0 to 1.
    readonly property real size: flickable.visibleArea.heightRatio
    readonly property real position: flickable.visibleArea.yPosition
    readonly property bool pressed: area.pressed
    readonly property bool hovered: area.containsMouse
    readonly property bool active: flickable.moving || pressed

    implicitWidth: 10
    visible: size < 1

    Component.onCompleted: {
        if (parent !== flickable.contentItem)
            return;
        parent = flickable;
        x = Qt.binding(() => flickable.width - width);
        height = Qt.binding(() => flickable.height);
        z = 1;
    }

    Rectangle {
        id: handle
        readonly property real track: bar.height - 4
        x: 2
        y: 2 + Math.min(bar.position * track, track - height)
        width: 6
        height: Math.min(track, Math.max(bar.size * track, 0.04 * track))
        radius: 3
        color: bar.pressed ? Theme.palette.onSurfaceMuted
             : bar.alwaysShown ? Theme.palette.onSurfaceFaint : Theme.palette.borderStrong
        opacity: bar.alwaysShown ? (bar.pressed ? 1 : 0.5) : bar.active || bar.hovered ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
    }

    MouseArea {
        id: area

        // Where the press took the handle, and the content's place then.
        property real fromY: 0
        property real fromContentY: 0

        anchors.fill: parent
        hoverEnabled: true
        preventStealing: true
        onPressed: mouse => {
            if (mouse.y < handle.y || mouse.y > handle.y + handle.height)
                bar.scrollBy(mouse.y - handle.y - handle.height / 2);
            fromY = mouse.y;
            fromContentY = bar.flickable.contentY;
        }
        onPositionChanged: mouse => {
            if (pressed)
                bar.scrollTo(fromContentY + (mouse.y - fromY) / Math.max(1, handle.track) * bar.contentLength());
        }
    }

    // The length the handle's track stands for: the content with the view's margins.
    function contentLength() {
        return flickable.height / Math.max(size, 0.0001);
    }
    function scrollBy(handleDistance) {
        scrollTo(flickable.contentY + handleDistance / Math.max(1, handle.track) * contentLength());
    }
}
