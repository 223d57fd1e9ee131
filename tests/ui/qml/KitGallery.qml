import QtQuick
import QtQuick.Layouts
import AmberLoom.UI

// Every piece of the interface kit on one page, to be rendered and looked at in both palettes.
Item {
    id: page
    implicitWidth: 760
    implicitHeight: 980

    readonly property var symbols: [
        "gearshape", "paintpalette", "figure.arms.open", "menubar.rectangle", "magnifyingglass",
        "hand.raised", "dock.rectangle", "macwindow.badge.plus", "macwindow", "rectangle.3.group",
        "display", "keyboard", "computermouse", "rectangle.and.hand.point.up.left", "folder",
        "camera.viewfinder", "square.grid.2x2", "safari", "envelope", "terminal", "slider.horizontal.3",
        "app.dashed", "laptopcomputer", "eye", "exclamationmark.triangle", "checkmark.seal",
        "arrow.uturn.backward", "pin.fill", "lightbulb", "xmark", "no.such.symbol"
    ]

    AppCanvas {}

    SurfaceStack {
        id: stack
        objectName: "stack"
        x: 24
        y: 24
        width: page.width - 48
        spacing: 16

        Text {
            width: stack.width
            text: "Interface kit"
            font: Tokens.text.h2
            color: Theme.palette.onSurface
        }

        SurfaceGroup {
            objectName: "cardGroup"
            width: stack.width
            cornerRadius: Tokens.radius.card
            border: Theme.palette.border

            Column {
                Repeater {
                    model: [
                        { title: "A plain row", raised: false },
                        { title: "A raised row", raised: true },
                        { title: "Another plain row", raised: false }
                    ]
                    SurfaceRow {
                        required property var modelData
                        width: stack.width
                        raised: modelData.raised
                        Text {
                            padding: 12
                            text: modelData.title
                            font: Tokens.text.body
                            color: Theme.palette.onSurface
                        }
                    }
                }
            }
        }

        Row {
            spacing: 16
            SurfaceGroup {
                objectName: "squareGroup"
                cornerRadius: 0
                border: Theme.palette.borderStrong
                Text {
                    padding: 12
                    text: "Square corners"
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceMuted
                }
            }
            SurfaceGroup {
                cornerRadius: Tokens.radius.card
                border: "transparent"
                Text {
                    padding: 12
                    text: "No visible frame"
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceMuted
                }
            }
        }

        SurfaceBar {
            width: stack.width
            border: Theme.palette.border
            RowLayout {
                spacing: 8
                Item { implicitWidth: 4 }
                SymbolIcon {
                    objectName: "barSymbol"
                    name: "gearshape"
                    pointSize: 16
                    color: Theme.palette.onSurfaceMuted
                }
                Text {
                    text: "A bar"
                    font: Tokens.text.label
                    color: Theme.palette.onSurface
                }
                Item { Layout.fillWidth: true }
                ActionButton { prominent: false; text: "Bordered" }
                ActionButton { prominent: true; text: "Prominent" }
                ActionButton { prominent: true; text: "Disabled"; enabled: false }
                Item { implicitWidth: 4; implicitHeight: 44 }
            }
        }

        ActionRow {
            width: stack.width
            title: "Sync this Mac"
            explanation: "Sends this Mac's settings to your account and picks up what your other Macs shared."
            symbol: "arrow.triangle.2.circlepath"
            actionTitle: "Sync now"
            isProminent: true
            isEnabled: true
            disabledReason: null
        }
        ActionRow {
            width: stack.width
            title: "Copy the ticked settings to this Mac"
            explanation: "Not shown while the row is disabled."
            symbol: "arrow.down.to.line"
            actionTitle: "Copy over"
            isProminent: true
            isEnabled: false
            disabledReason: "Nothing ticked yet — choose what you want restored from the list below."
        }
        ActionRow {
            width: stack.width
            title: "Look again"
            explanation: "Compares what you set in AmberLoom with what is on this Mac right now. A macOS update or another app may have changed something back, and a long explanation wraps onto several lines."
            symbol: "arrow.clockwise"
            actionTitle: "Check now"
            isProminent: false
            isEnabled: true
            disabledReason: null
        }

        SurfaceGroup {
            width: stack.width
            cornerRadius: Tokens.radius.cardInner
            border: Theme.palette.border
            Flow {
                padding: 12
                spacing: 14
                Repeater {
                    model: page.symbols
                    SymbolIcon {
                        required property string modelData
                        name: modelData
                        pointSize: 18
                        color: Theme.palette.onSurfaceMuted
                    }
                }
            }
        }
    }
}
