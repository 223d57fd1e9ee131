import QtQuick
import AmberLoom.UI

// A one-point rule across its layout, in the palette's border colour.
Rectangle {
    implicitHeight: 1
    color: Theme.palette.border
}
