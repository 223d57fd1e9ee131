import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// One other Mac that shared its settings: its name, how fresh its document is, how many settings
// it holds, the number of differences while it is the selected Mac, and a selection mark. The
// whole row is one button that selects the Mac.
T.AbstractButton {
    id: row

    required property string deviceID
    required property string name
    required property string freshness
    required property bool isStale
    required property int settingCount
    required property bool isSelected
    // The count of differences to review, or -1 for no badge.
    required property int differences

    readonly property bool isHovered: hover.hovered

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    leftPadding: 16
    rightPadding: 16
    topPadding: 14
    bottomPadding: 14
    Accessible.name: name + ", " + freshness

    HoverHandler { id: hover }
    FocusRing { cornerRadius: 12 }

    background: Item {
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.palette.surfaceRaised
            antialiasing: true
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.palette.onSurface
            opacity: row.isHovered ? 0.045 : 0
            antialiasing: true
            Behavior on opacity { NumberAnimation { duration: 130; easing.type: Easing.OutQuad } }
        }
        Rectangle {
            objectName: "selectionBorder"
            anchors.fill: parent
            radius: 12
            color: "transparent"
            border.width: 1
            border.color: row.isSelected ? Qt.rgba(Theme.palette.primary.r, Theme.palette.primary.g,
                                                   Theme.palette.primary.b, 0.5) : "transparent"
            antialiasing: true
        }
    }

    contentItem: RowLayout {
        spacing: 16

        Item {
            Layout.preferredWidth: 26
            Layout.preferredHeight: 20
            SymbolIcon {
                anchors.centerIn: parent
                name: "laptopcomputer"
                pointSize: 20
                color: row.isSelected ? Theme.palette.primary : Theme.palette.onSurfaceMuted
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "macName"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                font: Tokens.text.rowTitle
                color: Theme.palette.onSurface
                maximumLineCount: 1
                elide: Text.ElideRight
            }
            RowLayout {
                spacing: 8
                Text {
                    objectName: "freshness"
                    text: row.freshness
                    font: Tokens.text.rowBody
                    color: row.isStale ? Theme.palette.stateWarn : Theme.palette.onSurfaceMuted
                }
                Text {
                    text: "\u00b7"
                    font: Tokens.text.rowBody
                    color: Theme.palette.onSurfaceFaint
                }
                Text {
                    objectName: "settingCount"
                    text: CountText.of(qsTr("%lld settings"), row.settingCount)
                    font: Tokens.text.rowBody
                    color: Theme.palette.onSurfaceMuted
                }
            }
        }

        Rectangle {
            id: badge
            objectName: "badge"
            readonly property color tint: row.differences === 0 ? Theme.palette.stateOn : Theme.palette.primary
            visible: row.differences >= 0
            implicitWidth: badgeText.implicitWidth + 16
            implicitHeight: badgeText.implicitHeight + 6
            radius: height / 2
            color: Qt.rgba(tint.r, tint.g, tint.b, 0.14)
            antialiasing: true
            Text {
                id: badgeText
                anchors.centerIn: parent
                text: row.differences === 0 ? qsTr("identical") : CountText.of(qsTr("%lld differ"), row.differences)
                font: Tokens.text.rowMeta
                color: badge.tint
            }
        }

        SymbolIcon {
            objectName: "selectionMark"
            name: row.isSelected ? "checkmark.circle.fill" : "circle"
            pointSize: 15
            color: row.isSelected ? Theme.palette.primary : Theme.palette.onSurfaceFaint
            opacity: row.isSelected ? 1 : 0.5
        }
    }
}
