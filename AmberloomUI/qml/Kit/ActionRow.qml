import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The standard line for one action on a page: a symbol, a title, a sentence explaining the action
// (or, while it cannot be taken, why not) and a button. All texts are shown verbatim. A disabled
// row (or one inside a disabled item) keeps its layout, greys its symbol and button and shows no
// hover tint.
T.Control {
    id: row

    required property string title
    required property string explanation
    required property string symbol
    required property string actionTitle
    required property bool isProminent
    required property bool isEnabled
    // A string, or null when no reason is given.
    required property var disabledReason
    readonly property bool isHovered: hover.hovered
    // Enabled itself and inside enabled items.
    readonly property bool takesAction: isEnabled && enabled
    readonly property string secondLine: !isEnabled && typeof disabledReason === "string"
                                         ? disabledReason : explanation

    // Pressing the button of an enabled row.
    signal action()

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    leftPadding: 16
    rightPadding: 16
    topPadding: 14
    bottomPadding: 14

    // The whole row, insets included.
    HoverHandler { id: hover }

    background: Item {
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.palette.surfaceRaised
            antialiasing: true
        }
        Rectangle {
            objectName: "hoverTint"
            anchors.fill: parent
            radius: 12
            color: Theme.palette.onSurface
            opacity: row.isHovered && row.takesAction ? 0.045 : 0
            antialiasing: true
            Behavior on opacity { NumberAnimation { duration: 130; easing.type: Easing.OutQuad } }
        }
    }

    contentItem: RowLayout {
        spacing: 16

        Item {
            Layout.preferredWidth: 22
            Layout.preferredHeight: icon.height
            SymbolIcon {
                id: icon
                anchors.centerIn: parent
                name: row.symbol
                pointSize: 16
                color: row.takesAction ? Theme.palette.primary : Theme.palette.onSurfaceFaint
            }
        }

        ColumnLayout {
            spacing: 2
            Layout.fillWidth: true
            Layout.maximumWidth: implicitWidth

            Text {
                objectName: "title"
                Layout.fillWidth: true
                text: row.title
                font: Tokens.text.rowTitle
                color: Theme.palette.onSurface
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "secondLine"
                Layout.fillWidth: true
                text: row.secondLine
                font: Tokens.text.rowBody
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
        }

        Item {
            Layout.fillWidth: true
            Layout.minimumWidth: 12
        }

        ActionButton {
            objectName: "actionButton"
            text: row.actionTitle
            prominent: row.isProminent
            enabled: row.isEnabled
            onClicked: row.action()
        }
    }
}
