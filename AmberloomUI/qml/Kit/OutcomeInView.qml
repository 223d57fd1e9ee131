import QtQuick

// Keeps the outcome of a step in view on a scrolling page: after show(), once `target` is laid
// out and as it grows, `flickable` scrolls until the target's lower edge is on screen. The step is
// often started further up, with its outcome below the visible part. The user's own scroll ends it.
QtObject {
    id: keeper

    required property Flickable flickable
    required property Item target
    property bool pending: false

    function show() {
        pending = true;
        Qt.callLater(keep);
    }

    function keep() {
        if (!pending || !target.visible)
            return;
        const bottom = target.mapToItem(flickable.contentItem, 0, target.height).y + 8;
        if (bottom > flickable.contentY + flickable.height)
            flickable.contentY = Math.min(bottom, flickable.contentHeight) - flickable.height;
    }

    readonly property Connections page: Connections {
        target: keeper.flickable
        function onMovementStarted() { keeper.pending = false }
        function onContentHeightChanged() { keeper.keep() }
        function onHeightChanged() { keeper.keep() }
    }
    readonly property Connections outcome: Connections {
        target: keeper.target
        function onHeightChanged() { keeper.keep() }
        function onYChanged() { keeper.keep() }
        function onVisibleChanged() { keeper.keep() }
    }
}
