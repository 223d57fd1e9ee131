import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// A tick box without a visible label: a rounded square, filled in the palette's primary colour
// with a tick while checked, faded while disabled. The text is for assistive technology only.
T.CheckBox {
    id: box

    implicitWidth: 18
    implicitHeight: 18
    padding: 0
    opacity: enabled ? 1 : 0.45
    Accessible.name: text

    indicator: Rectangle {
        anchors.fill: parent
        radius: 4
        color: box.checked ? Theme.palette.primary : Theme.palette.surfaceRaised
        border.width: box.checked ? 0 : 1
        border.color: Theme.palette.borderStrong
        antialiasing: true

        SymbolIcon {
            anchors.centerIn: parent
            visible: box.checked
            name: "checkmark"
            color: Theme.palette.onPrimary
            pointSize: 12
        }
    }
    contentItem: Item {}
    FocusRing { cornerRadius: 4 }
}
