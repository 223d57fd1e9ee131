import QtQuick
import QtQuick.Layouts
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

    RowLayout {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        anchors.topMargin: 10
        spacing: 8

        SymbolIcon {
            name: "slider.horizontal.3"
            pointSize: 13
            color: Theme.palette.primary
        }
        ColumnLayout {
            spacing: 1
            Layout.fillWidth: true
            Text {
                text: "AmberLoom"
                font: Tokens.text.label
                color: Theme.palette.onSurface
                Accessible.ignored: true
            }
            Text {
                objectName: "brandSubtitle"
                Layout.fillWidth: true
                text: header.subtitle
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                elide: Text.ElideRight
                Accessible.ignored: true
            }
        }
    }
}
