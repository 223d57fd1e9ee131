import QtQuick
import AmberLoom.UI

// The left column of the catalogue window: the header, the fixed pages and one entry per settings
// group under its section. Choosing an entry sets the settings model's selection.
Rectangle {
    id: sidebar

    required property SettingsModel settingsModel
    property bool hasGuide: false
    property int repairCount: 0

    color: Theme.palette.surface

    SidebarList {
        id: entries
        settingsModel: sidebar.settingsModel
        hasGuide: sidebar.hasGuide
        repairCount: sidebar.repairCount
    }

    // The sidebar stands a shade apart from the detail pane.
    Rectangle {
        readonly property color tint: Theme.palette.onSurface
        anchors.fill: parent
        color: Qt.rgba(tint.r, tint.g, tint.b, 0.025)
    }

    // The keyboard moves the selection: each row the arrows reach is chosen, as a click would.
    FocusList {
        id: list
        objectName: "sidebarList"
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        topMargin: header.height + 4
        bottomMargin: 10
        clip: true
        model: entries
        reuseItems: true
        cacheBuffer: 0
        boundsBehavior: Flickable.StopAtBounds
        // Chosen once the list has its height, then scrolled to from the top only as far as it
        // needs: chosen before, a list of no height put the row at its top edge and started with
        // the rows above it out of view.
        currentIndex: height > 0 ? entries.selectedRow : -1
        property bool placed: false
        onCurrentIndexChanged: {
            if (placed || currentIndex < 0)
                return;
            placed = true;
            // Once the layout that gave the height is done: the first height may not be the last.
            // A sidebar closed meanwhile has nothing left to scroll.
            Qt.callLater(() => {
                if (!list)
                    return;
                // Its rows laid out at that height first, or the row is placed by guesswork.
                list.forceLayout();
                list.positionViewAtIndex(list.currentIndex, ListView.Contain);
            });
        }
        onMovedByKeys: entries.select(currentIndex)

        delegate: SidebarRow {
            required property int index
            required property string key
            objectName: "sidebarRow-" + key
            width: ListView.view.width
            onClicked: entries.select(index)
        }

        section.property: "sectionID"
        section.delegate: Text {
            required property string section
            width: ListView.view.width
            leftPadding: 10
            topPadding: 14
            bottomPadding: 5
            text: entries.sectionTitle(section)
            font.pixelSize: 11
            font.weight: Font.DemiBold
            color: Theme.palette.onSurfaceFaint
            elide: Text.ElideRight
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
    }
    // Another page chosen elsewhere (a search, a tip) is the current row again.
    Connections {
        target: entries
        function onSelectedRowChanged() {
            if (entries.selectedRow >= 0 && list.height > 0)
                list.currentIndex = entries.selectedRow;
        }
    }

    PageScrollBar {
        id: scrollBar
        flickable: list
        anchors.top: parent.top
        anchors.topMargin: header.height
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }

    BrandHeader {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        z: 1
        subtitle: entries.subtitle
    }
}
