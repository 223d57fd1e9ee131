import QtQuick
import AmberLoom.UI

// What a setting card shows in place of its control when the setting's value cannot be read, with
// a tooltip that says why. From a file of its own: few cards ever show it.
SymbolText {
    id: unreadable

    required property Palette colours

    wraps: false
    symbol: "exclamationmark.triangle"
    text: qsTr("Cannot be read")
    font: Tokens.text.caption
    color: unreadable.colours.stateWarn
    HoverHandler { id: unreadableHover }
    HoverTip {
        text: qsTr("The preference file this setting lives in is damaged, so its value on this Mac is unknown. AmberLoom changes nothing there.")
        hovered: unreadableHover.hovered
    }
}
