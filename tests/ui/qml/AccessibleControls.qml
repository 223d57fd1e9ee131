import QtQuick
import QtQuick.Templates as T
import AmberLoom.UI

// One of each kind of control as assistive technology meets it, for the tests of their
// accessible form: plain buttons (plain, a switch, an unset switch, a selected row, one its view
// names), a plain slider, a pop-up menu, standard buttons (a button, a tick box, a menu item that
// cannot run), text inputs, a pane's scroll bar, and a pane of controls that can be disabled or
// hidden.
Item {
    id: root

    // What the controls said, in order.
    property var heard: []
    property bool paneEnabled: true
    property bool paneShown: true

    function hear(what) {
        heard = heard.concat([what]);
    }

    Column {
        spacing: 4

        PlainButton { objectName: "plain"; width: 80; height: 20; text: "Plain"; onClicked: root.hear("plain clicked") }
        PlainButton {
            objectName: "switch"; width: 38; height: 20; checkable: true; text: "Switch"
            onToggled: root.hear("switch " + checked)
        }
        PlainButton { objectName: "unsetSwitch"; width: 38; height: 20; checkable: true; mixed: true; text: "Unset" }
        PlainButton {
            objectName: "row"; width: 80; height: 20; focusPolicy: Qt.ClickFocus
            selectable: true; selected: true; text: "Row"
        }
        PlainButton {
            objectName: "named"; width: 80; height: 20; focusPolicy: Qt.NoFocus; text: "Its own text"
            Accessible.name: "Named by its view"; Accessible.description: "Described by its view"
        }
        PlainSlider {
            objectName: "slider"; width: 150; height: 20
            from: 0; to: 2; stepSize: 0.1; value: 0.5; valueText: "0.5"; Accessible.name: "Slide"
            onStepped: steps => root.hear("stepped " + steps)
            onMoved: position => root.hear("moved " + position)
        }
        T.ComboBox {
            id: menu
            objectName: "menu"; width: 120; height: 20
            model: ["Genie", "Scale"]; currentIndex: -1; displayText: "macOS default"; Accessible.name: "Pick"
            popup: T.Popup { y: menu.height; width: menu.width; height: 60 }
        }
        T.Button { objectName: "standard"; width: 80; height: 20; text: "Standard"; onClicked: root.hear("standard clicked") }
        T.CheckBox { objectName: "tick"; width: 20; height: 20; text: "Tick"; onToggled: root.hear("tick " + checked) }
        TextInput {
            objectName: "field"; width: 150; height: 20; activeFocusOnTab: true
            text: "Hello big world"; Accessible.name: "Field"
        }
        TextInput {
            objectName: "password"; width: 150; height: 20
            echoMode: TextInput.Password; text: "secret"; Accessible.name: "Password"
        }
        T.MenuItem { objectName: "updates"; width: 120; height: 20; text: "Check for Updates…"; enabled: false }
        Row {
            objectName: "pane"
            enabled: root.paneEnabled
            visible: root.paneShown
            PlainButton {
                objectName: "inPane"; width: 60; height: 20; text: "In the pane"
                onClicked: root.hear("in the pane clicked")
            }
            PlainSlider {
                objectName: "sliderInPane"; width: 60; height: 20; Accessible.name: "Pane slider"
                onStepped: steps => root.hear("pane stepped " + steps)
            }
            TextInput {
                objectName: "fieldInPane"; width: 60; height: 20; activeFocusOnTab: true
                text: "pane"; Accessible.name: "Pane field"
            }
            T.Button {
                objectName: "standardInPane"; width: 60; height: 20; text: "Standard in the pane"
                onClicked: root.hear("standard in the pane clicked")
            }
        }
    }

    Flickable {
        id: scrolled
        objectName: "scrolled"
        x: 300
        width: 150
        height: 200
        contentHeight: 1000
        clip: true

        PageScrollBar { objectName: "scrollBar"; flickable: scrolled }
    }
}
