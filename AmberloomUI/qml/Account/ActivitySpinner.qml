import QtQuick
import AmberLoom.UI

// A small indeterminate progress indicator: three quarters of a ring turning once a second, in
// one colour.
Item {
    id: spinner

    property color color: Theme.palette.onSurfaceMuted
    property real diameter: 14
    property real lineWidth: 2

    implicitWidth: diameter
    implicitHeight: diameter
    Accessible.role: Accessible.Indicator
    Accessible.name: qsTr("In progress")

    Canvas {
        id: ring
        anchors.fill: parent
        onPaint: {
            const context = getContext("2d");
            context.reset();
            context.strokeStyle = spinner.color;
            context.lineWidth = spinner.lineWidth;
            context.lineCap = "round";
            const radius = (Math.min(width, height) - spinner.lineWidth) / 2;
            context.beginPath();
            context.arc(width / 2, height / 2, radius, 0, Math.PI * 1.5);
            context.stroke();
        }
        Connections {
            target: spinner
            function onColorChanged() { ring.requestPaint(); }
        }
        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: spinner.visible
        }
    }
}
