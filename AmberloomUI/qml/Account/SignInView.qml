import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The page that signs this Mac in by an e-mailed link: one card, centred above a footer, whose
// face follows the account model's state: the address form (signed out or sending), the wait for
// the link, or the signed-in address. Everything shown comes from the model; the view only calls
// signIn() and cancelWaiting().
Item {
    id: page

    required property AccountModel account

    AppCanvas {}

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item { Layout.fillHeight: true }

        Rectangle {
            id: card
            objectName: "card"
            readonly property real padding: 32
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: Math.min(380, page.width - 2 * padding) + 2 * padding
            Layout.preferredHeight: face.implicitHeight + 2 * padding
            color: Theme.palette.surfaceRaised
            radius: Tokens.radius.card
            border.width: 1
            border.color: Theme.palette.border
            antialiasing: true

            Loader {
                id: face
                objectName: "face"
                x: card.padding
                y: card.padding
                width: card.width - 2 * card.padding
                // The form stays loaded from signed out to sending and back; it is made again (and
                // takes the focus again) only when it comes back from another face.
                sourceComponent: page.account.state === AccountModel.Waiting ? waitingFace
                               : page.account.state === AccountModel.SignedIn ? signedInFace
                               : signInForm
            }
        }

        Item { Layout.fillHeight: true }

        Text {
            objectName: "footer"
            Layout.fillWidth: true
            Layout.leftMargin: 40
            Layout.rightMargin: 40
            Layout.bottomMargin: 24
            text: qsTr("Your settings work on this Mac; the account is only for carrying them between your Macs.")
            font: Tokens.text.caption
            color: Theme.palette.onSurfaceFaint
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    Component {
        id: signInForm

        ColumnLayout {
            id: form
            objectName: "signInForm"
            readonly property bool sending: page.account.state === AccountModel.Sending
            spacing: 18
            Component.onCompleted: addressField.forceActiveFocus()

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6
                HeardText {
                    heading: true
                    Layout.fillWidth: true
                    text: qsTr("Sign in to AmberLoom")
                    font: Tokens.text.h2
                    color: Theme.palette.onSurface
                    wrapMode: Text.WordWrap
                }
                HeardText {
                    Layout.fillWidth: true
                    text: qsTr("Carrying your settings between Macs needs an account. No password — we send you a link.")
                    font: Tokens.text.body
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.WordWrap
                }
            }

            T.TextField {
                id: addressField
                objectName: "addressField"
                Layout.fillWidth: true
                implicitHeight: Math.max(contentHeight, placeholder.implicitHeight) + topPadding + bottomPadding
                leftPadding: 12
                rightPadding: 12
                topPadding: 10
                bottomPadding: 10
                enabled: !form.sending
                text: page.account.email
                onTextChanged: page.account.email = text
                onAccepted: page.account.signIn()
                placeholderText: qsTr("your email address")
                font: Tokens.text.bodyLg
                color: Theme.palette.onSurface
                selectionColor: Theme.palette.primary
                selectedTextColor: Theme.palette.onPrimary
                verticalAlignment: TextInput.AlignVCenter
                opacity: enabled ? 1 : 0.6
                Accessible.name: placeholderText

                Text {
                    id: placeholder
                    x: addressField.leftPadding
                    width: addressField.width - addressField.leftPadding - addressField.rightPadding
                    height: addressField.height
                    text: addressField.placeholderText
                    font: addressField.font
                    color: Theme.palette.onSurfaceFaint
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                    visible: addressField.length === 0 && addressField.preeditText.length === 0
                }

                background: Rectangle {
                    color: Theme.palette.surface
                    radius: Tokens.radius.input
                    border.width: 1
                    border.color: addressField.activeFocus ? Theme.palette.primary : Theme.palette.border
                    antialiasing: true
                }
            }

            RowLayout {
                objectName: "errorLine"
                Layout.fillWidth: true
                visible: page.account.hasMessage
                spacing: 6
                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    Layout.topMargin: 2
                    name: "exclamationmark.triangle"
                    pointSize: Tokens.text.caption.pixelSize
                    color: Theme.palette.stateWarn
                }
                Text {
                    objectName: "message"
                    Layout.fillWidth: true
                    text: page.account.message
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                    wrapMode: Text.Wrap
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }

            ActionButton {
                id: sendButton
                objectName: "sendButton"
                Layout.fillWidth: true
                prominent: true
                enabled: !form.sending
                // Still readable while it says "Sending…".
                opacity: enabled ? 1 : 0.7
                topPadding: 8
                bottomPadding: 8
                font: Tokens.text.body
                text: form.sending ? qsTr("Sending…") : qsTr("Send sign-in link")
                onClicked: page.account.signIn()

                contentItem: Item {
                    implicitWidth: label.implicitWidth + (spinner.visible ? spinner.width + 8 : 0)
                    implicitHeight: Math.max(label.implicitHeight, spinner.height)
                    Row {
                        anchors.centerIn: parent
                        spacing: 8
                        ActivitySpinner {
                            id: spinner
                            anchors.verticalCenter: parent.verticalCenter
                            visible: form.sending
                            color: Theme.palette.onPrimary
                        }
                        Text {
                            id: label
                            anchors.verticalCenter: parent.verticalCenter
                            text: sendButton.text
                            font: sendButton.font
                            color: Theme.palette.onPrimary
                        }
                    }
                }
            }
        }
    }

    Component {
        id: waitingFace

        ColumnLayout {
            objectName: "waitingFace"
            spacing: 18

            RowLayout {
                spacing: 10
                ActivitySpinner {}
                HeardText {
                    heading: true
                    text: qsTr("Link sent")
                    font: Tokens.text.h3
                    color: Theme.palette.onSurface
                }
            }

            Text {
                objectName: "waitingExplanation"
                Layout.fillWidth: true
                text: page.emphasised(qsTr("We sent a sign-in link to %1. Open it and press **Confirm sign-in** — this screen moves on by itself."),
                                      page.account.stateEmail)
                textFormat: Text.StyledText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
                Accessible.role: Accessible.StaticText
                // As read, without the marks of its bold runs.
                Accessible.name: qsTr("We sent a sign-in link to %1. Open it and press **Confirm sign-in** — this screen moves on by itself.")
                                 .replace(/\*\*/g, "").arg(page.account.stateEmail)
            }

            HeardText {
                Layout.fillWidth: true
                text: qsTr("The link is valid for 15 minutes. If it hasn't arrived, check your spam folder.")
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                wrapMode: Text.WordWrap
            }

            T.Button {
                id: differentAddress
                objectName: "differentAddress"
                implicitWidth: implicitContentWidth
                implicitHeight: implicitContentHeight
                padding: 0
                text: qsTr("Use a different address")
                font: Tokens.text.body
                onClicked: page.account.cancelWaiting()
                contentItem: Text {
                    text: differentAddress.text
                    font.pixelSize: differentAddress.font.pixelSize
                    font.underline: differentAddress.hovered
                    color: differentAddress.down ? Theme.palette.primaryDeep : Theme.palette.primary
                }
                FocusRing { cornerRadius: 2 }
            }
        }
    }

    Component {
        id: signedInFace

        ColumnLayout {
            objectName: "signedInFace"
            spacing: 12

            SymbolIcon {
                Layout.alignment: Qt.AlignHCenter
                name: "checkmark.circle.fill"
                pointSize: 32
                color: Theme.palette.stateOn
            }
            Text {
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Signed in")
                font: Tokens.text.h3
                color: Theme.palette.onSurface
            }
            Text {
                objectName: "signedInAddress"
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: parent.width
                text: page.account.stateEmail
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                elide: Text.ElideMiddle
            }
        }
    }

    // A translated sentence with its **bold** runs set in bold, and `address` put in for %1 as
    // plain text (markup in it is shown as typed).
    function emphasised(template, address) {
        const escape = text => text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
        return escape(template).replace(/\*\*(.+?)\*\*/g, "<b>$1</b>").replace("%1", () => escape(address));
    }
}
