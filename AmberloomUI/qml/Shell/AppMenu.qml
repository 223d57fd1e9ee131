import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// One menu of the main window's menu bar (see AppMenuBar): its commands (Actions, with their
// `keys` shown beside them) and AppMenuSeparators, drawn in the window's palette.
T.Menu {
    id: menu
    // As wide as its widest command, and never narrower than 240.
    property real widestItem: 0
    implicitWidth: Math.max(240, widestItem + leftPadding + rightPadding)
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    padding: 5

    delegate: Component {
        T.MenuItem {
            id: item
            implicitWidth: menu.implicitWidth - menu.leftPadding - menu.rightPadding
            implicitHeight: 26
            leftPadding: 10
            rightPadding: 10
            readonly property real naturalWidth: leftPadding + label.implicitWidth + 12 + shortcutText.implicitWidth
                                                 + rightPadding
            function widen() {
                if (menu)
                    menu.widestItem = Math.max(menu.widestItem, naturalWidth);
            }
            onNaturalWidthChanged: widen()
            Component.onCompleted: widen()
            contentItem: Row {
                spacing: 12
                Text {
                    id: label
                    width: parent.width - shortcutText.width - parent.spacing
                    text: item.text
                    font.pixelSize: 13
                    color: item.highlighted ? Theme.palette.onPrimary : Theme.palette.onSurface
                    opacity: item.enabled ? 1 : 0.45
                    verticalAlignment: Text.AlignVCenter
                    height: parent.height
                    elide: Text.ElideRight
                }
                Text {
                    id: shortcutText
                    text: item.action && item.action.keys ? String(item.action.keys) : ""
                    font.pixelSize: 12
                    color: item.highlighted ? Theme.palette.onPrimary : Theme.palette.onSurfaceMuted
                    verticalAlignment: Text.AlignVCenter
                    height: parent.height
                }
            }
            background: Rectangle {
                radius: 4
                color: item.highlighted && item.enabled ? Theme.palette.primary : "transparent"
            }
        }
    }

    contentItem: ListView {
        implicitHeight: contentHeight
        model: menu.contentModel
        interactive: false
        clip: true
        currentIndex: menu.currentIndex
    }

    background: Rectangle {
        color: Theme.palette.surfaceRaised
        border.width: 1
        border.color: Theme.palette.borderStrong
        radius: 6
    }
}
