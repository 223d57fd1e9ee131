import QtQuick
import AmberLoom.UI

// The working area of the main window: the group sidebar beside the page the sidebar's selection
// chooses, a tool bar with the page's title and the search field, and the status bar along the
// bottom. Pages of the other screens are handed in as components; a page not handed in shows the
// bare canvas. Everything shown is read from the models and every change goes through them.
Item {
    id: catalog

    required property SettingsModel model
    // The manual guide; null when none was loaded.
    property ManualGuideList guide: null
    // The number of findings of the repair screen's current scan.
    property int repairCount: 0
    property Component myMacsPage: null
    property Component recipesPage: null
    property Component accountPage: null
    property Component repairsPage: null

    // Values read again on activation; the search jump from the guided pages.
    CatalogController {
        settingsModel: catalog.model
    }

    // Laid out by anchors rather than layouts: the window's width is fixed, every size here is
    // known, and the layouts' module would be one more to load before the first screen.
    // The sidebar beside the page, with a line between them that can be dragged to widen or
    // narrow the sidebar. A focus scope of its own: a list's current row takes the keyboard's
    // focus only when the keyboard brings it there.
    FocusScope {
        id: split
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        // The panes end where the status bar begins: a list scrolled to its end draws nothing
        // into the bar.
        anchors.bottom: statusBar.top
        clip: true
        Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

        readonly property real sidebarMinimum: 210
        readonly property real pageMinimum: 360
        // The width the user dragged the sidebar to; the page keeps its minimum where it can.
        property real sidebarPreferred: 230

        GroupSidebar {
            id: sidebar
            objectName: "sidebar"
            width: Math.max(split.sidebarMinimum,
                            Math.min(split.sidebarPreferred, split.width - divider.width - split.pageMinimum))
            height: parent.height
            settingsModel: catalog.model
            hasGuide: catalog.guide !== null
            repairCount: catalog.repairCount
        }

        Rectangle {
            id: divider
            x: sidebar.width
            width: 1
            height: parent.height
            color: Theme.palette.border
            // Its grip reaches a little over both panes.
            z: 1

            MouseArea {
                anchors.fill: parent
                anchors.leftMargin: -3
                anchors.rightMargin: -3
                cursorShape: Qt.SplitHCursor
                preventStealing: true
                onPositionChanged: mouse => {
                    if (pressed)
                        split.sidebarPreferred = Math.max(split.sidebarMinimum,
                            Math.min(split.width - divider.width - split.pageMinimum,
                                     mapToItem(split, mouse.x, 0).x));
                }
            }
        }

        Item {
            anchors.left: divider.right
            anchors.right: parent.right
            height: parent.height

            Rectangle {
                id: toolbar
                anchors.left: parent.left
                anchors.right: parent.right
                height: 52
                color: Theme.palette.surface
                z: 1

                Column {
                    anchors.left: parent.left
                    anchors.leftMargin: 20
                    anchors.right: search.left
                    anchors.rightMargin: 16
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 1
                    Text {
                        objectName: "pageTitle"
                        width: parent.width
                        visible: text !== ""
                        text: detail.item && detail.item.title !== undefined ? detail.item.title : ""
                        textFormat: Text.PlainText
                        font: Tokens.text.label
                        color: Theme.palette.onSurface
                        elide: Text.ElideRight
                        Accessible.role: Accessible.TitleBar
                        Accessible.name: text
                        // A page that heads itself (the account page) leaves the title empty.
                        Accessible.ignored: text === ""
                    }
                    Text {
                        objectName: "pageSubtitle"
                        width: parent.width
                        visible: text !== ""
                        text: detail.item && detail.item.subtitle !== undefined ? detail.item.subtitle : ""
                        textFormat: Text.PlainText
                        font: Tokens.text.caption
                        color: Theme.palette.onSurfaceFaint
                        elide: Text.ElideRight
                    }
                }
                SearchField {
                    id: search
                    objectName: "searchField"
                    anchors.right: parent.right
                    anchors.rightMargin: 14
                    anchors.verticalCenter: parent.verticalCenter
                    width: 240
                    height: 28
                    text: catalog.model.searchText
                    onTextEdited: catalog.model.searchText = text
                }

                Rectangle {
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    height: 1
                    color: Theme.palette.border
                }
            }

            Loader {
                id: detail
                objectName: "detail"
                anchors.top: toolbar.bottom
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                sourceComponent: {
                    switch (catalog.model.selectedPage) {
                    case "group": return settingsPage;
                    case "carried": return carriedPage;
                    case "myMacs": return catalog.myMacsPage ?? emptyPage;
                    case "recipes": return catalog.recipesPage ?? emptyPage;
                    case "manualGuide": return catalog.guide ? guidePage : settingsPage;
                    case "account": return accountScroll;
                    case "repairs": return catalog.repairsPage ?? emptyPage;
                    }
                    return emptyPage;
                }
            }
        }
    }

    StatusBar {
        id: statusBar
        objectName: "statusBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: implicitHeight
        settingsModel: catalog.model
    }

    Component {
        id: settingsPage
        SettingsList {
            objectName: "settingsList"
            settingsModel: catalog.model
        }
    }
    Component {
        id: carriedPage
        PageLoader {
            objectName: "carriedView"
            file: "CarriedView.qml"
            properties: ({settingsModel: catalog.model})
        }
    }
    Component {
        id: guidePage
        PageLoader {
            objectName: "manualGuideView"
            file: "ManualGuideView.qml"
            properties: ({guide: catalog.guide})
        }
    }
    Component {
        id: emptyPage
        AppCanvas {
            objectName: "emptyPage"
        }
    }
    Component {
        id: accountScroll
        PageLoader {
            objectName: "accountPage"
            file: "AccountScroll.qml"
            properties: ({page: catalog.accountPage})
        }
    }
}
