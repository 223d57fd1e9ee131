import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The application's own preferences: the account, what this version reports, the switch that
// reveals settings which turn off a macOS protection, and help (support mail, the crash-report
// notice, removing the application). 520 points wide; the height follows the content.
Item {
    id: view

    required property PreferencesViewModel model
    readonly property bool busy: removalSheet.working

    function closeSheets() {
        supportMail.close();
        if (!removalSheet.busy)
            removalSheet.close();
        account.closeSheets();
    }

    implicitWidth: 520
    implicitHeight: column.implicitHeight + 48
    Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)

    AppCanvas {}

    ColumnLayout {
        id: column
        x: 24
        y: 24
        width: parent.width - 48
        spacing: 18

        AccountSettingsView {
            id: account
            objectName: "accountSection"
            Layout.fillWidth: true
            Layout.bottomMargin: 4
            model: view.model.account
        }

        ShellDivider { Layout.fillWidth: true }

        RowLayout {
            objectName: "reportSection"
            Layout.fillWidth: true
            spacing: 6
            SymbolIcon { name: "network.slash"; pointSize: 13; color: Theme.palette.onSurface }
            HeardText {
                objectName: "reportLine"
                Layout.fillWidth: true
                text: qsTr("This version sends no usage or crash reports.")
                font: Tokens.text.label
                color: Theme.palette.onSurface
                wrapMode: Text.WordWrap
            }
        }

        ShellDivider { Layout.fillWidth: true }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8
            T.CheckBox {
                id: riskyToggle
                objectName: "riskyToggle"
                Layout.fillWidth: true
                text: qsTr("Show settings that turn off a macOS protection")
                checked: view.model.showsRisky
                onToggled: view.model.showsRisky = checked
                spacing: 8
                implicitWidth: implicitIndicatorWidth + spacing + implicitContentWidth
                implicitHeight: Math.max(implicitIndicatorHeight, implicitContentHeight)
                Accessible.description: qsTr("These stay hidden until you turn this on")
                indicator: Rectangle {
                    x: 0
                    y: (riskyToggle.height - height) / 2
                    implicitWidth: 16
                    implicitHeight: 16
                    radius: 4
                    color: riskyToggle.checked ? Theme.palette.primary : Theme.palette.surfaceRaised
                    border.width: riskyToggle.checked ? 0 : 1
                    border.color: Theme.palette.borderStrong
                    Text {
                        anchors.centerIn: parent
                        visible: riskyToggle.checked
                        text: "✓"
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.palette.onPrimary
                    }
                }
                contentItem: Text {
                    leftPadding: riskyToggle.indicator.width + riskyToggle.spacing
                    text: riskyToggle.text
                    font: Tokens.text.body
                    color: Theme.palette.onSurface
                    verticalAlignment: Text.AlignVCenter
                    wrapMode: Text.WordWrap
                }
                FocusRing { cornerRadius: 4 }
            }
            HeardText {
                Layout.fillWidth: true
                text: qsTr("A few settings turn off protections your Mac normally has — like the warning before opening a downloaded app, or the safety check on downloaded disk images. They are included so they can sync between your Macs, but they stay out of sight until you ask. Each one is marked in red.")
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                wrapMode: Text.WordWrap
            }
        }

        ShellDivider { Layout.fillWidth: true }

        ColumnLayout {
            objectName: "helpSection"
            Layout.fillWidth: true
            spacing: 8
            // Looked for each time the section is made.
            readonly property string crashReport: view.model.lastCrashReport()

            HeardText {
                heading: true
                text: qsTr("Help")
                font: Tokens.text.label
                color: Theme.palette.onSurface
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                ActionButton {
                    objectName: "emailSupport"
                    prominent: false
                    text: qsTr("Email support")
                    Accessible.description: qsTr("Opens your mail app with the version details filled in")
                    onClicked: if (!view.model.openSupportMail()) supportMail.open()
                }
                Item { Layout.fillWidth: true; Layout.minimumWidth: 8 }
                LinkButton {
                    objectName: "removeApp"
                    text: qsTr("Removing AmberLoom…")
                    font: Tokens.text.body
                    onClicked: removalSheet.open()
                }
            }
            RowLayout {
                objectName: "crashNotice"
                Layout.fillWidth: true
                visible: parent.crashReport.length > 0
                spacing: 8
                SymbolIcon { name: "exclamationmark.triangle"; pointSize: 12; color: Theme.palette.stateWarn }
                HeardText {
                    text: qsTr("AmberLoom crashed on this Mac before")
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                }
                Item { Layout.fillWidth: true; Layout.minimumWidth: 8 }
                LinkButton {
                    objectName: "showReport"
                    text: qsTr("Show the report")
                    font: Tokens.text.caption
                    onClicked: view.model.revealCrashReport(parent.parent.crashReport)
                }
            }
            HeardText {
                Layout.fillWidth: true
                visible: parent.crashReport.length > 0
                text: qsTr("Nothing is sent on its own. Attach the report to your email if you want us to see it.")
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                wrapMode: Text.WordWrap
            }
        }

        ShellDivider { Layout.fillWidth: true; visible: view.model.isDryRun }

        RowLayout {
            objectName: "practiceNote"
            Layout.fillWidth: true
            visible: view.model.isDryRun
            spacing: 6
            SymbolIcon { name: "eye"; pointSize: 12; color: Theme.palette.stateWarn; Layout.alignment: Qt.AlignTop }
            HeardText {
                Layout.fillWidth: true
                text: qsTr("This early version is in practice mode: it looks at your settings but never changes anything.")
                font: Tokens.text.caption
                color: Theme.palette.stateWarn
                wrapMode: Text.WordWrap
            }
        }
    }

    // A text-only button in the muted colour.
    component LinkButton: T.Button {
        id: link
        implicitWidth: implicitContentWidth
        implicitHeight: implicitContentHeight
        contentItem: Text {
            text: link.text
            font: link.font
            color: link.down ? Theme.palette.onSurface : Theme.palette.onSurfaceMuted
        }
        background: null
        FocusRing { cornerRadius: 2 }
    }

    SupportMailAlert {
        id: supportMail
        objectName: "supportMailAlert"
        model: view.model
        theme: view.Theme.palette
    }

    RemovalSheet {
        id: removalSheet
        objectName: "removalSheet"
        factory: view.model.removalFactory
        theme: view.Theme.palette
    }
}
