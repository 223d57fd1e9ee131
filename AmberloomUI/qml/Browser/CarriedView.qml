import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// The settings that are backed up and copied between the user's Macs but have no control here,
// listed under the app they belong to with their current values.
Item {
    id: page

    required property SettingsModel settingsModel
    readonly property string title: qsTr("Backed up for you")
    readonly property string subtitle: rows.subtitle

    CarriedSettingsList {
        id: rows
        settingsModel: page.settingsModel
    }

    AppCanvas {}

    PageListView {
        id: list
        objectName: "carriedList"
        anchors.fill: parent
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        topMargin: 20
        bottomMargin: 20
        spacing: 10
        model: rows

        header: SurfaceGroup {
            width: ListView.view.width
            cornerRadius: 10
            border: Theme.palette.border

            Item {
                implicitHeight: explanation.implicitHeight + 28
                ColumnLayout {
                    id: explanation
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.leftMargin: 16
                    anchors.rightMargin: 16
                    y: 14
                    spacing: 6
                    Text {
                        Layout.fillWidth: true
                        text: qsTr("Copied between your Macs — nothing to set here")
                        font: Tokens.text.label
                        color: Theme.palette.onSurface
                        wrapMode: Text.Wrap
                    }
                    Text {
                        Layout.fillWidth: true
                        text: qsTr("AmberLoom backs these up and copies them to your other Macs, but has no switch for them here. Some are lists — like the apps in your Dock — and some belong to an app's own settings. Change them where you normally would, and AmberLoom brings the change along.")
                        font: Tokens.text.body
                        color: Theme.palette.onSurfaceMuted
                        wrapMode: Text.Wrap
                    }
                }
            }
        }

        delegate: CarriedRow {
            width: ListView.view.width
        }

        section.property: "app"
        section.delegate: Item {
            required property string section
            // The stack's spacing comes before every heading but the first.
            readonly property real above: section === rows.firstApp ? 10 + 22 : 22
            width: ListView.view.width
            height: above + heading.implicitHeight + 10
            Text {
                id: heading
                objectName: "carriedHeading"
                x: 4
                y: parent.above
                width: parent.width - 4
                text: parent.section.toUpperCase()
                textFormat: Text.PlainText
                font.pixelSize: Tokens.text.kicker.pixelSize
                font.weight: Tokens.text.kicker.weight
                font.letterSpacing: 0.6
                color: Theme.palette.onSurfaceFaint
                elide: Text.ElideRight
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
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
