import QtQuick
import QtQuick.Layouts
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

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // The sidebar beside the page, with a line between them that can be dragged to widen or
        // narrow the sidebar. A focus scope of its own: a list's current row takes the keyboard's
        // focus only when the keyboard brings it there.
        FocusScope {
            id: split
            Layout.fillWidth: true
            Layout.fillHeight: true
            // The panes end where the status bar begins: a list scrolled to its end draws nothing
            // into the bar.
            clip: true
            Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

            readonly property real sidebarMinimum: 210
            readonly property real pageMinimum: 360
            // The width the user dragged the sidebar to; the page keeps its minimum where it can.
            property real sidebarPreferred: 230

            RowLayout {
                anchors.fill: parent
                spacing: 0

                GroupSidebar {
                    objectName: "sidebar"
                    Layout.preferredWidth: split.sidebarPreferred
                    Layout.minimumWidth: split.sidebarMinimum
                    Layout.fillHeight: true
                    settingsModel: catalog.model
                    hasGuide: catalog.guide !== null
                    repairCount: catalog.repairCount
                }

                Rectangle {
                    id: divider
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
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
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.minimumWidth: split.pageMinimum

                    Rectangle {
                        id: toolbar
                        anchors.left: parent.left
                        anchors.right: parent.right
                        height: 52
                        color: Theme.palette.surface
                        z: 1

                        RowLayout {
                            anchors.fill: parent
                            anchors.leftMargin: 20
                            anchors.rightMargin: 14
                            spacing: 16

                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 1
                                Text {
                                    objectName: "pageTitle"
                                    Layout.fillWidth: true
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
                                    Layout.fillWidth: true
                                    visible: text !== ""
                                    text: detail.item && detail.item.subtitle !== undefined ? detail.item.subtitle : ""
                                    textFormat: Text.PlainText
                                    font: Tokens.text.caption
                                    color: Theme.palette.onSurfaceFaint
                                    elide: Text.ElideRight
                                }
                            }
                            SearchField {
                                objectName: "searchField"
                                Layout.preferredWidth: 240
                                Layout.preferredHeight: 28
                                text: catalog.model.searchText
                                onTextEdited: catalog.model.searchText = text
                            }
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
        }

        StatusBar {
            objectName: "statusBar"
            Layout.fillWidth: true
            settingsModel: catalog.model
        }
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
    // The account settings scroll, with 20 points around them, when the window is too short.
    Component {
        id: accountScroll
        Item {
            objectName: "accountPage"
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
                    sourceComponent: catalog.accountPage
                }
            }
            PageScrollBar {
                id: accountScrollBar
                flickable: scroller
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.right: parent.right
            }
        }
    }
}
