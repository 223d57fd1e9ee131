import QtQuick
import AmberLoom.UI

// The ring a control shows while it has the keyboard's focus: two points of the palette's accent
// colour around its edge, following its corners, over whatever it draws. Placed as a child of the
// control. By default it follows the control's visualFocus, so it shows for focus that came from
// the keyboard (Tab, Shift+Tab, a list's arrows) and never for a click. The ring is made only while
// it shows: every control of a long list carries one, and the keyboard lights one at a time.
Loader {
    id: ring

    // The control's corner radius; the ring's follows it at its distance.
    property real cornerRadius: 6
    // How far outside the control's edge the ring lies; 0 draws it just inside, where a clipping
    // list would cut off anything beyond the control.
    property real outset: 3
    property bool shown: parent ? parent.visualFocus === true : false

    anchors.fill: parent
    anchors.margins: -outset
    z: 100
    active: shown
    visible: shown
    sourceComponent: Rectangle {
        objectName: "focusRing"
        radius: ring.cornerRadius + Math.max(0, ring.outset)
        color: "transparent"
        border.width: 2
        border.color: Theme.palette.primary
        antialiasing: true
    }
}
