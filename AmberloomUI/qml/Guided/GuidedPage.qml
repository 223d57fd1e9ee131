import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A guided screen's page: the canvas behind a vertically scrolling column of sections, with the
// scroll indicator always shown. Sections fill the column's width. While `working`, no control of
// the page takes input; the page still scrolls.
Item {
    id: page

    property real horizontalPadding: 20
    property real topPadding: 20
    property real bottomPadding: 20
    property real spacing: 12
    property bool working: false
    default property alias content: body.data
    readonly property alias flickable: flick

    AppCanvas {}

    PageFlickable {
        id: flick
        objectName: "pageScroller"
        anchors.fill: parent
        contentWidth: width
        contentHeight: body.implicitHeight + page.topPadding + page.bottomPadding
        clip: true

        PageScrollBar {
            flickable: flick
            alwaysShown: true
        }

        ColumnLayout {
            id: body
            enabled: !page.working
            x: page.horizontalPadding
            y: page.topPadding
            width: flick.width - 2 * page.horizontalPadding
            spacing: page.spacing
        }
    }
}
