import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// The button of action rows and bars: prominent (filled in the palette's primary colour) or
// bordered (a light fill with a thin frame); a destructive one (an action that replaces or deletes
// what cannot be had back) is drawn in the warning colour instead, whatever `prominent` says.
// Text and font come from the button; a disabled button is drawn faded and takes no clicks.
T.Button {
    id: button

    required property bool prominent
    property bool destructive: false

    implicitWidth: Math.max(implicitBackgroundWidth, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight, implicitContentHeight + topPadding + bottomPadding)
    leftPadding: 12
    rightPadding: 12
    topPadding: 5
    bottomPadding: 5
    font.pixelSize: 13
    opacity: enabled ? 1 : 0.45

    contentItem: Text {
        text: button.text
        font: button.font
        color: button.destructive ? Theme.palette.stateWarn
             : button.prominent ? Theme.palette.onPrimary : Theme.palette.onSurface
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        readonly property color ink: button.destructive ? Theme.palette.stateWarn : Theme.palette.onSurface
        implicitWidth: 64
        implicitHeight: 26
        radius: 6
        antialiasing: true
        color: button.prominent && !button.destructive
               ? (button.down ? Theme.palette.primaryDeep : Theme.palette.primary)
               : Qt.rgba(ink.r, ink.g, ink.b, (button.destructive ? 0.1 : 0.06) + (button.down ? 0.08 : button.hovered ? 0.04 : 0))
        border.width: button.prominent && !button.destructive ? 0 : 1
        border.color: button.destructive ? Qt.rgba(ink.r, ink.g, ink.b, 0.45) : Theme.palette.borderStrong
    }
    FocusRing {}
}
