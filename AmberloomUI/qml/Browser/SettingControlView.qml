import QtQuick
import AmberLoom.UI

// The control that edits one setting: a switch, a slider with its value label, a pop-up menu, a
// text field, a colour well or a folder chooser, picked by the setting's control kind. It shows
// what `adapter` says of the current value and hands every input to the adapter, which turns it
// into a value and passes it on; the view keeps no value of its own (only the text field keeps
// the user's draft while it is being edited). Each control carries the setting's label for
// accessibility and shows no name of its own: the card shows it.
Item {
    id: view

    // The palette in force, read here once rather than by every item below: a list makes many
    // of these, and each reader of Theme.palette carries a Theme of its own.
    readonly property Palette colours: Theme.palette

    required property SettingControlAdapter adapter
    // Makes the folder panel: an object with open() that signals chosen(url) or cancelled(); null
    // for the system's, loaded when first asked for.
    property Component folderPanel: null
    // Whether the control is in the window's Tab order; a list's row puts it there only while the
    // row is current (see FocusList). A control with the focus keeps it either way.
    property bool inTabOrder: true
    // The list whose rows the card is in, or null: the keys that move between its rows (Up, Down,
    // Page Up, Page Down, Home, End) go to it before a slider or a menu would take them as a change
    // of value.
    property Item rowKeys: null
    readonly property int focusPolicy: inTabOrder ? Qt.StrongFocus : Qt.ClickFocus

    implicitWidth: loader.implicitWidth
    implicitHeight: loader.implicitHeight

    Loader {
        id: loader
        anchors.fill: parent
        active: view.adapter !== null
        // A card being built or torn down has no adapter for a moment: nothing to show then.
        readonly property string kind: view.adapter !== null ? view.adapter.kind : ""
        onKindChanged: choose()
        Component.onCompleted: choose()

        // The switch and the slider are made here, of plain items; the other controls come from
        // their own file, compiled only when a setting first needs one.
        function choose() {
            switch (kind) {
            case "":
                sourceComponent = null;
                return;
            case "toggle":
                sourceComponent = toggleControl;
                return;
            case "slider":
                sourceComponent = sliderControl;
                return;
            case "choice":
            case "text":
            case "color":
            case "folder":
                setSource("SettingValueControl.qml", {host: view});
                return;
            default:
                sourceComponent = unsupportedControl;
            }
        }
    }

    Component { id: toggleControl; ToggleControl { adapter: view.adapter } }
    Component { id: sliderControl; SliderControl { adapter: view.adapter } }
    Component {
        id: unsupportedControl
        Text {
            objectName: "unsupported"
            text: qsTr("Can't be changed here yet")
            color: view.colours.onSurfaceMuted
            verticalAlignment: Text.AlignVCenter
        }
    }

    // A switch. A flip on a setting that is neither bool nor int hands nothing, and the switch
    // shows the current value again. Unset, it shows neither on nor off: macOS decides.
    component ToggleControl: PlainButton {
        id: toggle
        required property SettingControlAdapter adapter
        objectName: "toggle"
        implicitWidth: 38
        implicitHeight: 22
        checkable: true
        focusPolicy: view.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
        checked: adapter.switchOn
        mixed: adapter.isUnset
        Accessible.name: adapter.label
        Accessible.description: adapter.accessibleDescription
        onToggled: {
            adapter.flip(checked);
            checked = Qt.binding(() => toggle.adapter.switchOn);
        }

        // Drawn by a plain child rather than an indicator and content item the control would build.
        SwitchTrack {
            width: toggle.width
            height: toggle.height
            on: toggle.checked
            unset: toggle.mixed
        }
        FocusRing { cornerRadius: toggle.height / 2 }
    }

    // A slider over the range and, beside it, the current value as text. The slider hands each
    // position the pointer takes it to, and each step of an arrow key (or of assistive
    // technology's Increase and Decrease), and shows the value that comes back. Unset, it shows
    // no value: the label says macOS decides, and the knob appears, faint, where the first step
    // starts only while the slider has the focus or the pointer.
    component SliderControl: Item {
        id: sliderRow
        required property SettingControlAdapter adapter
        readonly property bool unset: adapter.isUnset
        // "macOS default" is wider than any number: the slider gives it room rather than cut it.
        readonly property real sliderWidth: unset ? Math.max(90, Math.min(150, width - 12 - valueLabel.implicitWidth)) : 150
        readonly property real labelX: slider.width + 12
        implicitWidth: 150 + 12 + Math.max(52, valueLabel.implicitWidth)
        implicitHeight: 22

        PlainSlider {
            id: slider
            objectName: "slider"
            width: sliderRow.sliderWidth
            height: parent.height
            focusPolicy: view.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
            from: sliderRow.adapter.minimum
            to: sliderRow.adapter.maximum
            stepSize: sliderRow.adapter.step
            value: sliderRow.adapter.knob
            valueText: sliderRow.adapter.accessibleDescription
            Accessible.name: sliderRow.adapter.label
            onMoved: position => sliderRow.adapter.slide(position)
            onStepped: steps => sliderRow.adapter.nudge(steps)
            // In a list, Up and Down go to the list's rows.
            Keys.forwardTo: view.rowKeys ? [view.rowKeys] : []

            Rectangle {
                readonly property color ink: view.colours.onSurface
                x: slider.knobSize / 2 - 2
                anchors.verticalCenter: parent.verticalCenter
                width: slider.width - slider.knobSize + 4
                height: 4
                radius: 2
                color: Qt.rgba(ink.r, ink.g, ink.b, 0.14)
                Rectangle {
                    visible: !sliderRow.unset
                    width: 4 + slider.position * (parent.width - 4)
                    height: parent.height
                    radius: 2
                    color: view.colours.primary
                }
            }
            Rectangle {
                objectName: "sliderKnob"
                visible: !sliderRow.unset || slider.activeFocus || slider.hovered
                opacity: sliderRow.unset ? 0.55 : 1
                x: slider.position * (slider.width - width)
                anchors.verticalCenter: parent.verticalCenter
                width: slider.knobSize
                height: width
                radius: width / 2
                color: view.colours.onPrimary
                border.width: 1
                border.color: view.colours.borderStrong
                antialiasing: true
            }
            FocusRing { cornerRadius: slider.height / 2 }
        }

        Text {
            id: valueLabel
            objectName: "sliderValue"
            x: sliderRow.labelX
            // A value far outside the range is cut where the row ends, not drawn over what follows.
            width: Math.max(0, sliderRow.width - x)
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: sliderRow.adapter.formatted
            font: sliderRow.unset ? Tokens.text.caption : Tokens.text.mono
            color: view.colours.onSurfaceMuted
            horizontalAlignment: Text.AlignRight
            Accessible.ignored: true
        }
    }
}
