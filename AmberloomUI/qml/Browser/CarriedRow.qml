import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// One carried setting: its app's symbol, its name and its current value. Nothing to change here;
// the row takes the keyboard's focus whole, for a screen reader to read it, while it is its list's
// current row (see FocusList).
SurfaceGroup {
    id: row

    required property string label
    required property string name
    required property string symbol
    required property string valueText
    required property bool isSet
    required property string accessibleDescription

    cornerRadius: 10
    border: Theme.palette.border
    implicitHeight: 64
    Accessible.role: Accessible.ListItem
    Accessible.name: label
    // The value, then the hint: the value is all the row has to tell.
    Accessible.description: accessibleDescription
    focusPolicy: ListView.isCurrentItem || activeFocus ? Qt.TabFocus : Qt.NoFocus
    property Item focusRing: FocusRing {
        parent: row
        outset: 0
        cornerRadius: row.cornerRadius
    }

    Item {
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 16
            anchors.topMargin: 12
            anchors.bottomMargin: 12
            spacing: 12

            Item {
                Layout.preferredWidth: 22
                Layout.preferredHeight: 22
                SymbolIcon {
                    anchors.centerIn: parent
                    name: row.symbol
                    pointSize: 13
                    color: Theme.palette.onSurfaceFaint
                }
            }
            Text {
                objectName: "carriedName"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                font: Tokens.text.label
                color: Theme.palette.onSurface
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
            Text {
                objectName: "carriedValue"
                Layout.preferredWidth: 200
                Layout.minimumWidth: 60
                Layout.leftMargin: 0
                text: row.valueText
                textFormat: Text.PlainText
                font: Tokens.text.mono
                color: row.isSet ? Theme.palette.onSurfaceMuted : Theme.palette.onSurfaceFaint
                horizontalAlignment: Text.AlignRight
                elide: Text.ElideMiddle
                maximumLineCount: 1
            }
        }
    }
}
