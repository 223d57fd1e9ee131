import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// One change of the manual guide as a card that opens and closes from its header: the title, the
// place in System Settings and why it is left to the user; open, the reason, the numbered steps
// with what the user should then see, how to check the result and an optional note.
SurfaceGroup {
    id: card

    required property string title
    required property string systemSettingsPath
    required property string reason
    required property string reasonKind
    required property var steps
    required property string verify
    required property string note
    required property bool isOpen

    signal toggle()

    // In the window's Tab order while the card is its list's current row (see FocusList).
    readonly property bool inTabOrder: ListView.view === null || ListView.isCurrentItem

    cornerRadius: 10
    border: Theme.palette.border
    Accessible.role: Accessible.Grouping
    // Qt Quick has no accessible value here: the state leads the description, the hint follows.
    Accessible.name: title
    Accessible.description: (isOpen ? qsTr("Expanded") : qsTr("Collapsed")) + ", "
                            + (reasonKind === "refused" ? qsTr("This app can change it but chooses not to")
                                                        : qsTr("macOS does not let any app change it"))

    Item {
        implicitWidth: body.implicitWidth + 36
        implicitHeight: body.implicitHeight + 28

        ColumnLayout {
            id: body
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 18
            anchors.rightMargin: 18
            y: 14
            spacing: 10

            T.AbstractButton {
                objectName: "sectionHeader"
                Layout.fillWidth: true
                implicitHeight: header.implicitHeight
                focusPolicy: card.inTabOrder || activeFocus ? Qt.StrongFocus : Qt.ClickFocus
                onClicked: card.toggle()
                Accessible.name: card.title
                Accessible.description: card.isOpen ? qsTr("Expanded") : qsTr("Collapsed")
                contentItem: Item {}

                RowLayout {
                    id: header
                    width: parent.width
                    spacing: 10

                    ColumnLayout {
                        Layout.alignment: Qt.AlignTop
                        Layout.fillWidth: true
                        spacing: 4
                        Text {
                            Layout.fillWidth: true
                            text: card.title
                            textFormat: Text.PlainText
                            font: Tokens.text.label
                            color: Theme.palette.onSurface
                            wrapMode: Text.Wrap
                        }
                        Text {
                            Layout.fillWidth: true
                            visible: card.systemSettingsPath !== ""
                            text: card.systemSettingsPath
                            textFormat: Text.PlainText
                            font: Tokens.text.caption
                            color: Theme.palette.onSurfaceFaint
                            wrapMode: Text.Wrap
                        }
                    }
                    ReasonBadge {
                        Layout.alignment: Qt.AlignTop
                        Layout.leftMargin: 2
                        kind: card.reasonKind
                    }
                    SymbolIcon {
                        Layout.alignment: Qt.AlignTop
                        Layout.topMargin: 3
                        name: card.isOpen ? "chevron.up" : "chevron.down"
                        pointSize: 12
                        color: Theme.palette.onSurfaceFaint
                    }
                }
                FocusRing {
                    outset: 6
                    cornerRadius: 2
                }
            }

            Text {
                Layout.fillWidth: true
                visible: card.isOpen
                text: card.reason
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }

            // Steps are told apart by their place in the list: two may read the same.
            ColumnLayout {
                Layout.fillWidth: true
                Layout.topMargin: 2
                Layout.bottomMargin: 2
                visible: card.isOpen
                spacing: 8

                Repeater {
                    model: card.isOpen ? card.steps : []
                    delegate: RowLayout {
                        required property var modelData
                        objectName: "stepRow"
                        Layout.fillWidth: true
                        spacing: 10

                        Text {
                            objectName: "stepNumber"
                            Layout.alignment: Qt.AlignTop
                            Layout.preferredWidth: 16
                            Layout.topMargin: 1
                            text: modelData.number
                            font: Tokens.text.mono
                            color: Theme.palette.onSurfaceFaint
                            horizontalAlignment: Text.AlignRight
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 2
                            Text {
                                objectName: "stepAction"
                                Layout.fillWidth: true
                                text: modelData.action
                                textFormat: Text.PlainText
                                font: Tokens.text.body
                                color: Theme.palette.onSurface
                                wrapMode: Text.Wrap
                            }
                            Text {
                                Layout.fillWidth: true
                                text: modelData.expectation
                                textFormat: Text.PlainText
                                font: Tokens.text.caption
                                color: Theme.palette.onSurfaceFaint
                                wrapMode: Text.Wrap
                            }
                        }
                    }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                visible: card.isOpen
                spacing: 5
                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    Layout.topMargin: 1
                    name: "checkmark.circle"
                    pointSize: 13
                    color: Theme.palette.stateOn
                }
                Text {
                    Layout.fillWidth: true
                    text: card.verify
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.stateOn
                    wrapMode: Text.Wrap
                }
            }

            Text {
                Layout.fillWidth: true
                visible: card.isOpen && card.note !== ""
                text: card.note
                textFormat: Text.PlainText
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                wrapMode: Text.Wrap
            }
        }
    }
}
