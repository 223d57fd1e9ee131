import QtQuick
import AmberLoom.UI

// A PlainToolTip over the item this is placed in, made only while `hovered` holds: a list of cards
// would otherwise build a popup for each card that is hardly ever shown. It opens after `delay`
// milliseconds and goes with the pointer.
Loader {
    id: holder

    required property bool hovered
    property string text
    property int delay: 700
    // The name the shown tooltip is found by.
    property string tipName

    anchors.fill: parent
    active: hovered
    // From its file, so that nothing of the tooltip is compiled before a tooltip first shows.
    asynchronous: true
    source: "PlainToolTip.qml"
    onLoaded: {
        item.objectName = Qt.binding(() => holder.tipName);
        item.text = Qt.binding(() => holder.text);
        item.delay = Qt.binding(() => holder.delay);
        item.visible = Qt.binding(() => holder.hovered);
    }
}
