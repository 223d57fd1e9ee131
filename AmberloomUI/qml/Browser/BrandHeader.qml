import QtQuick
import AmberLoom.UI

// The sidebar's header: the application's name over the count of its settings, on the bar finish
// with a line along its bottom edge. The list scrolls beneath it.
Item {
    id: header

    required property string subtitle

    implicitHeight: content.implicitHeight + 10 + 8

    Accessible.role: Accessible.Heading
    Accessible.name: qsTr("AmberLoom, %1").arg(subtitle)

    // The bar material: the sidebar's own fill under the glass tint, so rows never show through.
    Rectangle {
        anchors.fill: parent
        color: Theme.palette.surface
    }
    Rectangle {
        anchors.fill: parent
        color: Theme.palette.surfaceGlass
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.palette.border
    }

    // Placed by hand: a row of known sizes, on the first screen.
    Item {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        anchors.topMargin: 10
        implicitHeight: Math.max(brandSymbol.height, lines.implicitHeight)
        height: implicitHeight

        SymbolIcon {
            id: brandSymbol
            // On whole points, as a layout would place it.
            y: Math.round((parent.height - height) / 2)
            name: "slider.horizontal.3"
            pointSize: 13
            color: Theme.palette.primary
        }
        // Two lines of known heights; their sum is known as soon as they are made, before any
        // positioner has run, so the list below never starts from a shorter header.
        Item {
            id: lines
            anchors.left: brandSymbol.right
            anchors.leftMargin: 8
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            implicitHeight: brandName.implicitHeight + 1 + brandSubtitle.implicitHeight
            height: implicitHeight
            Text {
                id: brandName
                text: "AmberLoom"
                font: Tokens.text.label
                color: Theme.palette.onSurface
                Accessible.ignored: true
            }
            Text {
                id: brandSubtitle
                objectName: "brandSubtitle"
                y: brandName.implicitHeight + 1
                width: parent.width
                text: header.subtitle
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                elide: Text.ElideRight
                Accessible.ignored: true
            }
        }
    }
}
