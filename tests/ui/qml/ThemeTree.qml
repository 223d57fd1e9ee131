import QtQuick
import AmberLoom.UI

// Palettes set at different depths, for the tests of how a palette is carried down.
Item {
    width: 300
    height: 100

    Item {
        objectName: "lightBranch"
        Theme.palette: Tokens.light
        Item {
            objectName: "nestedHolder"
            Item {
                Rectangle {
                    objectName: "nestedProbe"
                    width: 100; height: 100
                    color: Theme.palette.surface
                }
            }
        }
    }
    Item {
        objectName: "plainBranch"
        x: 100
        SurfaceGroup {
            objectName: "plainProbe"
            cornerRadius: 0
            border: "transparent"
            Item { implicitWidth: 100; implicitHeight: 100 }
        }
    }
    Item {
        objectName: "lateBranch"
        x: 200
        Rectangle {
            objectName: "lateProbe"
            width: 100; height: 100
            color: Theme.palette.surface
        }
    }
}
