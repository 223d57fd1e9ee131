import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// A borderless button: its text alone, in the caption font and the primary colour.
T.AbstractButton {
    id: link
    implicitWidth: implicitContentWidth
    implicitHeight: implicitContentHeight
    font: Tokens.text.caption
    Accessible.name: text
    contentItem: Text {
        text: link.text
        font: link.font
        color: link.down ? Theme.palette.primaryDeep : Theme.palette.primary
    }
}
