import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The controls of SettingControlView other than the switch and the slider: a pop-up menu, a text
// field, a colour well or a folder chooser, picked by the setting's control kind. Made by the view
// when a setting needs one; `host` is that view, whose palette, focus policy, row keys and folder
// panel they follow and whose adapter they hand every input to.
Item {
    id: view

    required property SettingControlView host
    readonly property Palette colours: host.colours
    readonly property SettingControlAdapter adapter: host.adapter
    readonly property Component folderPanel: host.folderPanel
    readonly property bool inTabOrder: host.inTabOrder
    readonly property Item rowKeys: host.rowKeys
    readonly property int focusPolicy: host.focusPolicy

    implicitWidth: loader.implicitWidth
    implicitHeight: loader.implicitHeight

    Loader {
        id: loader
        anchors.fill: parent
        active: view.adapter !== null
        sourceComponent: {
            if (view.adapter === null)
                return null;
            switch (view.adapter.kind) {
            case "choice": return choiceControl;
            case "text": return textControl;
            case "color": return colorControl;
            case "folder": return folderControl;
            }
            return null;
        }
    }

    Component { id: choiceControl; ChoiceControl { adapter: view.adapter } }
    Component { id: textControl; TextControl { adapter: view.adapter } }
    Component { id: colorControl; ColorControl { adapter: view.adapter } }
    Component { id: folderControl; FolderControl { adapter: view.adapter; panel: view.folderPanel } }

    // A pop-up menu of the options, with "Custom" first while a value of the setting's own matches
    // none of them. Unset, no entry is chosen and the menu says that macOS decides.
    component ChoiceControl: Item {
        id: choice
        required property SettingControlAdapter adapter
        implicitWidth: Math.min(220, menu.implicitWidth)
        implicitHeight: menu.implicitHeight

        T.ComboBox {
            id: menu
            objectName: "choice"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(parent.width, implicitWidth)
            // As wide as its widest entry, whichever is selected.
            implicitWidth: Math.ceil(widestEntry) + leftPadding + rightPadding
            implicitHeight: 26
            readonly property real widestEntry: {
                let widest = metrics.advanceWidth(choice.adapter.choiceText);
                for (const entry of choice.adapter.entries)
                    widest = Math.max(widest, metrics.advanceWidth(entry));
                return widest;
            }
            FontMetrics {
                id: metrics
                font: menu.font
            }
            leftPadding: 10
            rightPadding: 28
            font: Tokens.text.caption
            focusPolicy: view.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
            // Closed, the menu would take the arrows, Home and End as a choice of another entry.
            Keys.forwardTo: popup.visible || !view.rowKeys ? [] : [view.rowKeys]
            model: choice.adapter.entries
            currentIndex: choice.adapter.currentEntry
            displayText: choice.adapter.choiceText
            Accessible.name: choice.adapter.label
            // The entry chosen, once it is the value, is heard where the focus is.
            onDisplayTextChanged: ScreenReader.valueChanged(menu)
            onActivated: index => {
                choice.adapter.pick(index);
                currentIndex = Qt.binding(() => choice.adapter.currentEntry);
            }

            contentItem: Text {
                text: menu.displayText
                textFormat: Text.PlainText
                font: menu.font
                color: choice.adapter.isUnset ? view.colours.onSurfaceMuted : view.colours.onSurface
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
            indicator: SymbolIcon {
                x: menu.width - width - 9
                y: (menu.height - height) / 2
                name: "chevron.down"
                pointSize: 10
                color: view.colours.onSurfaceMuted
            }
            background: Rectangle {
                readonly property color ink: view.colours.onSurface
                radius: 6
                color: Qt.rgba(ink.r, ink.g, ink.b, menu.down ? 0.14 : menu.hovered ? 0.1 : 0.06)
                border.width: 1
                border.color: view.colours.borderStrong
            }
            FocusRing {}
            delegate: T.ItemDelegate {
                id: entry
                required property int index
                required property string modelData
                objectName: "choiceEntry" + index
                width: ListView.view.width
                implicitHeight: 24
                leftPadding: 10
                rightPadding: 10
                text: modelData
                highlighted: menu.highlightedIndex === index
                onHighlightedChanged: if (highlighted && menu.popup.visible) ScreenReader.standsOn(entry)
                contentItem: Text {
                    text: entry.text
                    textFormat: Text.PlainText
                    font: menu.font
                    color: entry.highlighted ? view.colours.onPrimary : view.colours.onSurface
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
                background: Rectangle {
                    radius: 4
                    color: entry.highlighted ? view.colours.primary : "transparent"
                }
            }
            popup: T.Popup {
                y: menu.height + 2
                width: Math.max(menu.width, implicitContentWidth + leftPadding + rightPadding)
                implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
                padding: 4
                // The pop-up sits in the window's overlay, outside the tree that carries the
                // palette: it takes the menu's.
                // The entry the menu opens on is heard as the list appears.
                onOpened: ScreenReader.standsOn(entries.itemAtIndex(menu.highlightedIndex))
                contentItem: ListView {
                    id: entries
                    Theme.palette: menu.Theme.palette
                    Accessible.role: Accessible.List
                    Accessible.name: choice.adapter.label
                    clip: true
                    implicitHeight: contentHeight
                    model: menu.popup.visible ? menu.delegateModel : null
                    currentIndex: menu.highlightedIndex
                }
                background: Rectangle {
                    radius: 8
                    color: view.colours.surfaceRaised
                    border.width: 1
                    border.color: view.colours.borderStrong
                }
            }
        }
    }

    // A text field. The draft follows the value until the user edits it; an edited draft is
    // committed on Return or when the field loses focus, and the field then shows the value again.
    component TextControl: Item {
        id: textControl
        required property SettingControlAdapter adapter
        implicitWidth: 220
        implicitHeight: field.implicitHeight

        T.TextField {
            id: field
            objectName: "textField"
            // The user has typed since the draft last followed the value.
            property bool edited: false

            anchors.centerIn: parent
            width: Math.min(220, parent.width)
            implicitHeight: 26
            leftPadding: 8
            rightPadding: 8
            activeFocusOnTab: view.inTabOrder || activeFocus
            font: Tokens.text.caption
            color: view.colours.onSurface
            selectionColor: view.colours.primary
            selectedTextColor: view.colours.onPrimary
            verticalAlignment: TextInput.AlignVCenter
            Accessible.name: textControl.adapter.label
            Accessible.description: textControl.adapter.accessibleDescription

            function commitDraft() {
                if (!edited)
                    return;
                edited = false;
                textControl.adapter.commit(text);
                text = textControl.adapter.currentText;
            }

            Component.onCompleted: text = textControl.adapter.currentText
            // Another setting's adapter (a list reusing the view) starts a fresh draft.
            Connections {
                target: textControl
                function onAdapterChanged() {
                    field.edited = false;
                    field.text = textControl.adapter.currentText;
                }
            }
            onTextEdited: edited = true
            onAccepted: commitDraft()
            onActiveFocusChanged: if (!activeFocus) commitDraft()

            Connections {
                target: textControl.adapter
                function onChanged() {
                    if (!field.edited)
                        field.text = textControl.adapter.currentText;
                }
            }

            background: Rectangle {
                radius: Tokens.radius.input
                color: view.colours.surface
                border.width: field.activeFocus ? 2 : 1
                border.color: field.activeFocus ? view.colours.primary : view.colours.borderStrong
            }
        }
    }

    // A colour well; pressing it opens the colour picker (no opacity), and a picked colour is
    // handed over when the picker is confirmed. Unset, the well shows no colour but says that
    // macOS decides; the picker then starts from the accent colour.
    component ColorControl: T.Button {
        id: well
        required property SettingControlAdapter adapter
        readonly property color shown: adapter.hasColour ? adapter.colour : view.colours.primary
        property QtObject picker: null
        objectName: "colourWell"
        implicitWidth: adapter.isUnset ? unsetText.implicitWidth + 16 : 44
        implicitHeight: 24
        focusPolicy: view.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
        Accessible.name: adapter.label
        Accessible.description: adapter.accessibleDescription
        onClicked: {
            if (!picker) {
                picker = SystemDialogs.make(Qt.createComponent("ColourPicker.qml"), SystemDialogs.ColorDialog, well);
                if (!picker) {
                    Qt.createComponent("DialogAlert.qml").createObject(well, {themePalette: Theme.palette,
                            title: qsTr("The colour picker could not be opened"), message: SystemDialogs.failure}).open();
                    return;
                }
                picker.accepted.connect(() => well.adapter.pickColour(well.picker.selectedColor));
            }
            picker.title = adapter.label;
            picker.selectedColor = shown;
            picker.open();
        }

        background: Rectangle {
            readonly property color ink: view.colours.onSurface
            radius: 6
            color: Qt.rgba(ink.r, ink.g, ink.b, well.down ? 0.14 : well.hovered ? 0.1 : 0.06)
            border.width: 1
            border.color: view.colours.borderStrong
            Text {
                id: unsetText
                objectName: "colourUnset"
                anchors.centerIn: parent
                visible: well.adapter.isUnset
                text: well.adapter.colourName
                textFormat: Text.PlainText
                font: Tokens.text.caption
                color: view.colours.onSurfaceMuted
            }
            Rectangle {
                objectName: "colourSwatch"
                visible: !well.adapter.isUnset
                anchors.fill: parent
                anchors.margins: 4
                radius: 3
                color: well.shown
                border.width: 1
                border.color: view.colours.border
            }
        }
        contentItem: Item {}
        FocusRing {}
    }

    // The folder in use and a button that opens the folder panel; one accessible button.
    component FolderControl: RowLayout {
        id: folder
        required property SettingControlAdapter adapter
        required property Component panel
        spacing: 8
        Accessible.role: Accessible.Button
        Accessible.name: adapter.label
        Accessible.description: adapter.accessibleDescription

        // Press, the one action a button's role offers, as Qt Quick looks it up.
        function accessiblePressAction() {
            choose();
        }
        function choose() {
            const panel = SystemDialogs.make(folder.panel ?? Qt.createComponent("FolderPanel.qml"),
                                             SystemDialogs.FolderDialog, folder);
            if (!panel) {
                Qt.createComponent("DialogAlert.qml").createObject(folder, {themePalette: Theme.palette,
                        title: qsTr("The folder panel could not be opened"), message: SystemDialogs.failure}).open();
                return;
            }
            panel.chosen.connect(url => {
                folder.adapter.chooseFolder(url);
                panel.destroy();
            });
            panel.cancelled.connect(() => panel.destroy());
            panel.open();
            SystemDialogs.readyOpened(panel);
        }

        Text {
            objectName: "folderText"
            Layout.maximumWidth: 140
            text: folder.adapter.folderText
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: view.colours.onSurfaceMuted
            horizontalAlignment: Text.AlignRight
            elide: Text.ElideLeft
            maximumLineCount: 1
            Accessible.ignored: true
        }
        ActionButton {
            objectName: "chooseButton"
            prominent: false
            text: qsTr("Choose…")
            focusPolicy: view.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
            Accessible.ignored: true
            onClicked: folder.choose()
        }
    }
}
