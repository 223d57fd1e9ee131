import QtQuick
import QtQuick.Shapes
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

    Shape {
        anchors.fill: parent
        antialiasing: true
        ShapePath {
            strokeColor: spinner.color
            strokeWidth: spinner.lineWidth
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: spinner.width / 2
                centerY: spinner.height / 2
                radiusX: (spinner.width - spinner.lineWidth) / 2
                radiusY: (spinner.height - spinner.lineWidth) / 2
                startAngle: 0
                sweepAngle: 270
            }
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
