import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// A tooltip that shows its text as typed, never as markup (a label, a summary or a command can
// hold any characters), in the palette of the item it belongs to: it sits in the window's
// overlay, outside the tree that carries the palette.
T.ToolTip {
    id: tip

    readonly property QtObject colours: tip.parent ? tip.parent.Theme.palette : null

    // Centred above the item, kept 6 pixels inside the window (a long text wraps to fit).
    x: parent ? (parent.width - implicitWidth) / 2 : 0
    y: -implicitHeight - 3
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset, contentHeight + topPadding + bottomPadding)
    margins: 6
    padding: 6
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutsideParent | T.Popup.CloseOnReleaseOutsideParent

    contentItem: Text {
        // Found on screen under the tooltip's own name (the tooltip itself is no item).
        objectName: tip.objectName
        text: tip.text
        textFormat: Text.PlainText
        font: Tokens.text.caption
        color: tip.colours ? tip.colours.onSurface : Theme.palette.onSurface
        wrapMode: Text.Wrap
    }
    background: Rectangle {
        radius: 6
        color: tip.colours ? tip.colours.surfaceRaised : Theme.palette.surfaceRaised
        border.width: 1
        border.color: tip.colours ? tip.colours.borderStrong : Theme.palette.borderStrong
    }
}
