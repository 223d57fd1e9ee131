import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// A plain card for one setting in the settings list: its label, summary and current value, the
// group badge in search results and the warning strip of a setting that weakens security.
Rectangle {
    id: row

    required property string settingID
    required property string label
    required property string summary
    required property string valueText
    required property bool isSet
    required property string groupName
    required property bool weakensSecurity

    implicitHeight: 76
    radius: 12
    color: Theme.palette.surfaceRaised
    antialiasing: true
    Accessible.role: Accessible.ListItem
    Accessible.name: label

    Rectangle {
        visible: row.weakensSecurity
        width: 3
        height: parent.height
        radius: 0
        color: Theme.palette.stateWarn
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 12
        anchors.bottomMargin: 12
        spacing: 16

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1
            // The label takes what it needs; the badge follows it.
            Item {
                Layout.fillWidth: true
                implicitHeight: title.implicitHeight
                Text {
                    id: title
                    width: Math.min(implicitWidth, parent.width - (badge.visible ? badge.width + 8 : 0))
                    text: row.label
                    textFormat: Text.PlainText
                    font: Tokens.text.label
                    color: Theme.palette.onSurface
                    elide: Text.ElideRight
                }
                Rectangle {
                    id: badge
                    x: title.width + 8
                    anchors.verticalCenter: title.verticalCenter
                    visible: row.groupName !== ""
                    width: badgeText.implicitWidth + 14
                    height: badgeText.implicitHeight + 4
                    radius: height / 2
                    color: Theme.palette.primaryGlow
                    Text {
                        id: badgeText
                        anchors.centerIn: parent
                        text: row.groupName
                        textFormat: Text.PlainText
                        font: Tokens.text.kicker
                        color: Theme.palette.primary
                    }
                }
            }
            Text {
                Layout.fillWidth: true
                text: row.summary
                textFormat: Text.PlainText
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceMuted
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        Text {
            Layout.maximumWidth: 230
            text: row.valueText
            textFormat: Text.PlainText
            font: Tokens.text.mono
            color: row.isSet ? Theme.palette.onSurface : Theme.palette.onSurfaceFaint
            elide: Text.ElideMiddle
        }
    }
}
