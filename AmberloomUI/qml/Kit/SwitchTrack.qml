import QtQuick
import AmberLoom.UI

// What a switch draws: a rounded track, filled in the palette's primary colour while on, and a
// knob that slides to the on side. Off, the track is a grey with a thin frame, so that it stands
// out from a white row in the light palette as well as from a dark one. Unset (macOS decides), the
// knob rests in the middle of an off track: neither on nor off.
Rectangle {
    id: track

    // The palette in force, read here once rather than by every item below: a list makes many
    // of these, and each reader of Theme.palette carries a Theme of its own.
    readonly property Palette colours: Theme.palette

    required property bool on
    property bool unset: false
    readonly property bool lit: on && !unset

    readonly property color ink: track.colours.onSurface

    radius: height / 2
    color: lit ? track.colours.primary : Qt.rgba(ink.r, ink.g, ink.b, 0.16)
    border.width: lit ? 0 : 1
    border.color: track.colours.borderStrong
    antialiasing: true

    // Where the knob rests along its way, 0 off, 1 on, the middle unset. Only a change of state
    // slides it: the track taking its size places it at once, so that a switch appears with its
    // knob in place rather than sliding there.
    property real knobPosition: unset ? 0.5 : on ? 1 : 0
    Behavior on knobPosition { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }

    Rectangle {
        objectName: "switchKnob"
        x: 2 + track.knobPosition * (parent.width - width - 4)
        y: 2
        width: parent.height - 4
        height: width
        radius: width / 2
        color: track.colours.onPrimary
        border.width: 1
        border.color: track.colours.border
        antialiasing: true
    }
}
