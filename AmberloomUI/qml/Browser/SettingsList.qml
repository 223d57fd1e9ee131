import QtQuick
import AmberLoom.UI

// The settings of the selected group or of the search as cards, under subgroup headings when the
// group's visible settings fall into two or more subgroups; the tip of the day above them, the
// note on settings hidden by the risk filter and the note shown when nothing is left below them.
// Cards are built as they scroll into view and reused as they scroll out.
Item {
    id: list

    required property SettingsModel settingsModel
    readonly property string title: listContent.title
    readonly property string subtitle: listContent.subtitle
    // One card per row, reused as the list scrolls.
    property Component cardDelegate: Component {
        SettingCard {
            required groupName
            width: ListView.view.width
            settingsModel: list.settingsModel
        }
    }

    SettingsListContent {
        id: listContent
        settingsModel: list.settingsModel
    }

    AppCanvas {}

    // Another group, or the search results, start from the top.
    Connections {
        target: list.settingsModel
        function onSelectionChanged() { cards.showTop() }
    }

    PageListView {
        id: cards
        objectName: "settingsCards"
        anchors.fill: parent
        anchors.leftMargin: 26
        anchors.rightMargin: 26
        topMargin: 22
        bottomMargin: 40
        spacing: 6
        model: listContent.rows
        delegate: list.cardDelegate

        header: Item {
            width: ListView.view.width
            height: tip.item ? tip.item.height + 22 : 0

            // The tip of the day, made only while there is one to show, from its own file: most
            // lists show none, and its type is then never loaded.
            Loader {
                id: tip
                readonly property var card: list.settingsModel.discoverCard
                width: parent.width
                active: card.hook !== undefined
                // The values it is made with; it follows them from then on.
                Component.onCompleted: setSource("DiscoverCardView.qml", {
                    objectName: "discoverCard", hook: "", body: "", settingLabel: "", hasSetting: false
                })
                onLoaded: {
                    item.hook = Qt.binding(() => tip.card.hook ?? "");
                    item.body = Qt.binding(() => tip.card.body ?? "");
                    item.settingLabel = Qt.binding(() => listContent.tipSettingLabel);
                    item.hasSetting = Qt.binding(() => listContent.tipHasSetting);
                    item.dismiss.connect(() => list.settingsModel.dismissDiscoverCard());
                    item.reveal.connect(() => list.settingsModel.revealDiscoverCard());
                }
            }
        }

        section.property: "subgroupID"
        section.delegate: Item {
            required property string section
            readonly property real above: section === listContent.firstSubgroupID ? 4 : 30 - cards.spacing
            width: ListView.view.width
            height: section === "" ? 0 : above + heading.implicitHeight + 8
            visible: section !== ""

            Text {
                id: heading
                objectName: "subgroupHeading"
                x: 4
                y: parent.above
                width: parent.width - 4
                text: listContent.subgroupHeading(parent.section)
                textFormat: Text.PlainText
                font.pixelSize: 11
                font.weight: Font.DemiBold
                font.letterSpacing: 0.66
                color: Theme.palette.onSurfaceFaint
                elide: Text.ElideRight
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
        }

        footer: Column {
            width: ListView.view.width

            // Made only while some settings are hidden.
            Loader {
                width: parent.width
                active: listContent.hiddenNote !== ""
                visible: active
                sourceComponent: Item {
                    // The symbol on the first line, the note beside it, both within the row's height.
                    readonly property real rowHeight: Math.max(lock.height + 2, hidden.implicitHeight)
                    height: 4 + rowHeight

                    SymbolIcon {
                        id: lock
                        y: 4 + 2
                        name: "lock.shield"
                        pointSize: 12
                        color: Theme.palette.onSurfaceFaint
                    }
                    HeardText {
                        id: hidden
                        objectName: "hiddenNote"
                        x: lock.width + 6
                        y: 4 + (parent.rowHeight - height) / 2
                        width: parent.width - x
                        text: listContent.hiddenNote
                        font: Tokens.text.caption
                        color: Theme.palette.onSurfaceFaint
                        wrapMode: Text.Wrap
                    }
                }
            }
            HeardText {
                objectName: "emptyNote"
                width: parent.width
                topPadding: 40
                visible: listContent.emptyNote !== ""
                text: listContent.emptyNote
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }
    }

    PageScrollBar {
        id: scrollBar
        flickable: cards
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }
}
