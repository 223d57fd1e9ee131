import QtQuick
import AmberLoom.UI

// The changes this app leaves to the user, one card each; at most one card is open at a time and
// every card starts closed when the page is shown.
Item {
    id: page

    required property ManualGuideList guide
    readonly property string title: qsTr("Manual setup")
    readonly property string subtitle: guide.subtitle
    // The id of the open section; null while every card is closed.
    property var openSectionID: null

    AppCanvas {}

    PageListView {
        id: list
        objectName: "guideList"
        anchors.fill: parent
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        topMargin: 20
        bottomMargin: 20
        spacing: 12
        model: page.guide

        header: Item {
            width: ListView.view.width
            height: intro.implicitHeight + (list.count > 0 ? 12 : 0)
            Text {
                id: intro
                objectName: "guideIntro"
                width: parent.width
                text: page.guide.intro
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
        }

        delegate: SectionCard {
            required property string sectionID
            objectName: "section-" + sectionID
            width: ListView.view.width
            isOpen: page.openSectionID === sectionID
            onToggle: page.openSectionID = isOpen ? null : sectionID
        }
    }

    PageScrollBar {
        id: scrollBar
        flickable: list
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }
}
