import QtQuick
import AmberLoom.UI

// Why a change of the manual guide is left to the user: "We can't" when macOS lets no app make it,
// "We don't" when this app could and chooses not to. The pointer resting on it explains which.
Rectangle {
    id: badge

    // "impossible" or "refused"
    required property string kind
    readonly property bool impossible: kind === "impossible"
    readonly property string help: impossible ? qsTr("macOS does not let any app change it")
                                              : qsTr("This app could change it, and chooses not to")

    implicitWidth: label.implicitWidth + 14
    implicitHeight: label.implicitHeight + 4
    radius: height / 2
    color: impossible ? Theme.palette.stateWarnSoft : Theme.palette.surfaceGlass
    antialiasing: true

    Text {
        id: label
        anchors.centerIn: parent
        text: badge.impossible ? qsTr("We can't") : qsTr("We don't")
        font: Tokens.text.kicker
        color: badge.impossible ? Theme.palette.stateWarn : Theme.palette.onSurfaceMuted
    }

    HoverHandler { id: hover }

    HoverTip {
        hovered: hover.hovered
        delay: 600
        text: badge.help
    }
}
