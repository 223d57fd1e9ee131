import QtQuick
import AmberLoom.UI

// The account settings scroll, with 20 points around them, when the window is too short. From a
// file of its own, so that the catalogue's first screen compiles nothing of it.
Item {
    id: scroll

    // The account settings.
    required property Component page
    readonly property var title: account.item ? account.item.title : undefined
    readonly property var subtitle: account.item ? account.item.subtitle : undefined

    AppCanvas {}
    PageFlickable {
        id: scroller
        anchors.fill: parent
        contentHeight: account.height + 40
        clip: true
        Loader {
            id: account
            x: 20
            y: 20
            width: scroller.width - 40
            sourceComponent: scroll.page
        }
    }
    PageScrollBar {
        flickable: scroller
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }
}
