import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// A button drawn as its text alone (with an optional leading symbol) in one colour, dimmed while
// pressed.
T.AbstractButton {
    id: button

    property string symbol
    property color color: Theme.palette.onSurfaceMuted

    font: Tokens.text.body
    padding: 2
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    opacity: !enabled ? 0.45 : down ? 0.6 : 1
    Accessible.name: text

    contentItem: RowLayout {
        spacing: 4
        SymbolIcon {
            visible: button.symbol !== ""
            name: button.symbol
            color: button.color
            pointSize: button.font.pixelSize
        }
        Text {
            text: button.text
            font: button.font
            color: button.color
        }
    }
    FocusRing { cornerRadius: 4 }
}
