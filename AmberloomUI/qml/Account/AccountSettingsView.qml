import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The account page: the signed-in address, the account's Macs with when each was last seen, the
// account model's latest message, and Sign out and Delete account (the latter after a question).
// Everything comes from the account model, and every button calls one of its operations. While no
// one is signed in nothing can be removed, signed out or deleted, so those buttons are not offered.
ColumnLayout {
    id: page

    required property AccountModel model
    readonly property bool signedIn: model.state === AccountModel.SignedIn

    spacing: 20

    // Loaded each time the page comes on screen; an answer that arrives after it left is dropped.
    // The same account may be open in another window too: only this page's load is dropped.
    property int load: 0
    Component.onCompleted: load = model.loadAccount()
    Component.onDestruction: model.cancelLoading(load)

    // The window the page is in is closing: its question goes with it.
    function closeSheets() {
        deleteConfirmation.close();
    }

    ColumnLayout {
        objectName: "header"
        Layout.fillWidth: true
        spacing: 4
        HeardText {
            heading: true
            text: qsTr("Account")
            font: Tokens.text.h3
            color: Theme.palette.onSurface
        }
        // A long address wraps within the page rather than widening it.
        TextEdit {
            objectName: "address"
            Layout.fillWidth: true
            wrapMode: TextEdit.WrapAtWordBoundaryOrAnywhere
            visible: page.signedIn
            text: page.signedIn ? page.model.stateEmail : ""
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            font: Tokens.text.body
            color: Theme.palette.onSurfaceMuted
            selectionColor: Theme.palette.primary
            selectedTextColor: Theme.palette.onPrimary
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    ColumnLayout {
        objectName: "macList"
        Layout.fillWidth: true
        visible: page.model.devices.length > 0
        spacing: 8

        SectionHeading {
            title: "Your Macs"
            count: page.model.devices.length
        }

        Repeater {
            model: page.model.devices

            Rectangle {
                id: deviceRow
                required property var modelData
                objectName: "device-" + modelData.deviceID
                Layout.fillWidth: true
                implicitHeight: deviceLine.implicitHeight + 12
                radius: 8
                color: Theme.palette.surfaceRaised
                antialiasing: true

                RowLayout {
                    id: deviceLine
                    anchors.fill: parent
                    anchors.leftMargin: 10
                    anchors.rightMargin: 10
                    anchors.topMargin: 6
                    anchors.bottomMargin: 6
                    spacing: 10

                    SymbolIcon {
                        name: "laptopcomputer"
                        pointSize: 15
                        color: Theme.palette.onSurfaceFaint
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 1
                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 6
                            HeardText {
                                Layout.preferredWidth: implicitWidth
                                Layout.maximumWidth: Math.max(0, deviceLine.width - 200)
                                text: deviceRow.modelData.name
                                textFormat: Text.PlainText
                                font: Tokens.text.rowTitle
                                color: Theme.palette.onSurface
                                elide: Text.ElideRight
                            }
                            HeardText {
                                objectName: "thisMac"
                                Layout.fillWidth: true
                                visible: deviceRow.modelData.isThisMac
                                text: qsTr("this Mac")
                                font: Tokens.text.rowMeta
                                color: Theme.palette.onSurfaceFaint
                            }
                        }
                        HeardText {
                            objectName: "lastSeen"
                            Layout.fillWidth: true
                            text: AccountTexts.lastSeen(deviceRow.modelData.lastSeenAt)
                            font: Tokens.text.rowMeta
                            color: Theme.palette.onSurfaceFaint
                        }
                    }
                    BorderlessButton {
                        font: Tokens.text.caption
                        color: Theme.palette.primary
                        objectName: "remove"
                        visible: page.signedIn
                        text: qsTr("Remove")
                        onClicked: page.model.removeDevice(deviceRow.modelData.deviceID)
                    }
                }
            }
        }
    }

    RowLayout {
        objectName: "notice"
        Layout.fillWidth: true
        visible: page.model.hasMessage
        spacing: 6
        SymbolIcon {
            Layout.alignment: Qt.AlignTop
            Layout.topMargin: 1
            name: "exclamationmark.triangle"
            pointSize: 13
            color: Theme.palette.stateWarn
        }
        HeardText {
            objectName: "message"
            Layout.fillWidth: true
            text: page.model.message
            textFormat: Text.PlainText
            font: Tokens.text.caption
            color: Theme.palette.stateWarn
            wrapMode: Text.Wrap
        }
    }

    ColumnLayout {
        objectName: "actions"
        Layout.fillWidth: true
        spacing: 12

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.palette.border
        }
        RowLayout {
            Layout.fillWidth: true
            visible: page.signedIn
            spacing: 12
            ActionButton {
                objectName: "signOut"
                prominent: false
                text: qsTr("Sign out")
                onClicked: page.model.signOut()
            }
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "deleteAccount"
                prominent: false
                destructive: true
                text: qsTr("Delete account…")
                onClicked: deleteConfirmation.open()
            }
        }
        HeardText {
            objectName: "explanation"
            Layout.fillWidth: true
            text: page.signedIn
                  ? qsTr("Signing out affects this Mac only. Deleting your account removes everything from the server at once — your settings stay on your Macs.")
                  : qsTr("Sign in first: signing out, removing a Mac and deleting the account need a signed-in account.")
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceFaint
            wrapMode: Text.Wrap
        }
    }

    ConfirmationDialog {
        id: deleteConfirmation
        objectName: "deleteConfirmation"
        theme: page.Theme.palette
        title: qsTr("Delete your account and everything on the server?")
        message: qsTr("This cannot be undone and there is no waiting period. The settings on your Macs are untouched — what goes is our copy of them.")
        actionTitle: qsTr("Delete account")
        onConfirmed: page.model.deleteAccount()
    }
}
