import QtQuick
import AmberLoom.UI

// One setting's row in the settings list: its icon, label, summary and the app it restarts, the
// marks of its state on this Mac, its control, a reset button while it is set here, and an info
// button that opens the detail sheet. Every change goes through the settings model. In a list that
// the keyboard moves through, its controls are in the Tab order while it is the current row.
FocusScope {
    id: root

    // The palette in force, read here once rather than by every item below: a list makes many
    // of these, and each reader of Theme.palette carries a Theme of its own.
    readonly property Palette colours: Theme.palette

    required property SettingsModel settingsModel
    required property string settingID
    // The name of the setting's group, shown as a badge in search results; "" for none.
    property string groupName: ""
    // Where the detail sheet copies the Terminal command to; null for the system pasteboard.
    property Pasteboard pasteboard: null
    // Makes the folder control's open panel (see SettingControlView).
    property alias folderPanel: control.folderPanel

    property bool showsDetail: false
    // A list may bind the card to another setting: its sheet belongs to the one it was opened for.
    onSettingIDChanged: showsDetail = false
    readonly property bool isHovered: hover.hovered
    readonly property bool inTabOrder: ListView.view === null || ListView.isCurrentItem
    readonly property int focusPolicy: inTabOrder ? Qt.StrongFocus : Qt.ClickFocus
    // Where the list's arrows bring the keyboard: the control, rather than the reset button before it.
    readonly property Item focusTarget: controlBox

    implicitWidth: 640
    implicitHeight: 76
    // A card the list keeps aside for reuse is off screen: hidden, it leaves the accessibility
    // tree and offers nothing there until the list shows it again.
    property bool pooled: false
    ListView.onPooled: pooled = true
    ListView.onReused: pooled = false
    visible: !pooled

    Accessible.role: Accessible.Grouping
    Accessible.name: cardModel.label
    Accessible.description: cardModel.accessibilityHint

    SettingCardModel {
        id: cardModel
        model: root.settingsModel
        settingID: root.settingID
    }

    HoverHandler { id: hover }

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: root.colours.surfaceRaised
        antialiasing: true
    }
    // What only the pointer brings out (the tint over the card and the tooltips of the title, the
    // summary and the info button) is made when the pointer first comes over the card, not with
    // every card the list builds; a card the list reuses keeps it.
    property bool wasHovered: false
    onIsHoveredChanged: if (isHovered) wasHovered = true
    Loader {
        anchors.fill: parent
        active: root.wasHovered
        sourceComponent: Rectangle {
            objectName: "hoverTint"
            radius: 12
            color: root.colours.onSurface
            // Made at rest, so that its first showing fades in as every later one does.
            opacity: 0
            Component.onCompleted: opacity = Qt.binding(() => root.isHovered ? 0.045 : 0)
            antialiasing: true
            Behavior on opacity { NumberAnimation { duration: 130; easing.type: Easing.OutQuad } }

            // Each tip sits on the part it tells of, whose place and size it takes.
            HoverTip {
                parent: title
                tipName: "titleTip"
                text: cardModel.label
                hovered: titleHover.hovered
                HoverHandler { id: titleHover }
            }
            HoverTip {
                parent: summary
                text: cardModel.summary
                hovered: summaryHover.hovered && summary.truncated
                HoverHandler { id: summaryHover }
            }
            HoverTip {
                parent: infoButton
                text: qsTr("What this setting does")
                hovered: infoButton.hovered
            }
        }
    }
    // Along the leading edge, following the card's rounded corners there. Few cards show the strip,
    // the badge or the reset button: each is made only while it is shown.
    Loader {
        active: cardModel.weakensSecurity
        visible: active
        height: parent.height
        sourceComponent: Item {
            objectName: "riskStrip"
            width: 3
            clip: true
            Rectangle {
                width: 24
                height: parent.height
                radius: 12
                color: root.colours.stateWarn
                antialiasing: true
            }
        }
    }

    // Centred in a column of 22 points from 16 points in.
    SymbolIcon {
        objectName: "cardIcon"
        x: 16 + (22 - width) / 2
        anchors.verticalCenter: parent.verticalCenter
        name: cardModel.weakensSecurity ? "exclamationmark.shield.fill" : cardModel.symbol
        pointSize: cardModel.weakensSecurity ? 14 : 13
        color: cardModel.weakensSecurity ? root.colours.stateWarn : root.colours.onSurfaceFaint
    }

    // Title line, summary and restart line, between the icon and the control; positioned by hand
    // rather than by layouts, since a long list builds many cards.
    Column {
        id: identity
        objectName: "identity"
        anchors.left: parent.left
        anchors.leftMargin: 16 + 22 + 16
        anchors.right: controlBox.left
        // At least 12 points before the control, besides the two gaps around it.
        anchors.rightMargin: 44
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1
        clip: true

        // The marks, the badge and the reset button keep their natural width; the label takes
        // what is left of the line and is cut off at its end when that is too little.
        Row {
            id: titleLine
            width: parent.width
            spacing: 8

            Text {
                id: title
                objectName: "title"
                anchors.verticalCenter: parent.verticalCenter
                // Without marks the title takes the whole line.
                width: Math.max(0, Math.min(implicitWidth, identity.width
                                            - (trailing.width > 0 ? trailing.width + titleLine.spacing : 0)))
                text: cardModel.label
                textFormat: Text.PlainText
                font: Tokens.text.rowTitle
                color: root.colours.onSurface
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            // The marks, the badge and the reset button: few cards show any, and the others make
            // none of their parts.
            Loader {
                id: trailing
                anchors.verticalCenter: parent.verticalCenter
                active: cardModel.isSet || cardModel.effectUnverified || root.groupName !== ""
                visible: active
                sourceComponent: Row {
                    spacing: 8
                    Mark {
                        objectName: "setMark"
                        anchors.verticalCenter: parent.verticalCenter
                        shown: cardModel.isSet
                        symbol: "circle.fill"
                        size: 5
                        colour: root.colours.stateOn
                        tip: qsTr("This one has its own setting saved on this Mac, instead of Apple's usual one")
                    }
                    Mark {
                        objectName: "unverifiedMark"
                        anchors.verticalCenter: parent.verticalCenter
                        shown: cardModel.effectUnverified
                        symbol: "questionmark.circle"
                        size: 10
                        colour: root.colours.stateWarn
                        tip: qsTr("Saved properly, but we have never seen it actually change anything — see the info panel")
                    }
                    Loader {
                        anchors.verticalCenter: parent.verticalCenter
                        active: root.groupName !== ""
                        visible: active
                        sourceComponent: Badge {
                            objectName: "groupBadge"
                            text: root.groupName
                            colour: root.colours.onSurfaceMuted
                            background: root.colours.surfaceGlass
                        }
                    }
                    Loader {
                        anchors.verticalCenter: parent.verticalCenter
                        active: cardModel.isSet
                        visible: active
                        sourceComponent: PlainButton {
                            id: reset
                            objectName: "resetButton"
                            // Present while the pointer is elsewhere, shown when it is over the card
                            // or has the focus.
                            opacity: root.isHovered || activeFocus ? 1 : 0
                            implicitWidth: 16
                            implicitHeight: 16
                            focusPolicy: root.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
                            text: cardModel.resetLabel
                            onClicked: cardModel.reset()
                            HoverTip {
                                text: qsTr("Back to Apple's setting")
                                hovered: reset.hovered
                            }
                            // Drawn by a plain child rather than a content item the control would build.
                            SymbolIcon {
                                anchors.centerIn: parent
                                name: "arrow.uturn.backward"
                                pointSize: 11
                                color: root.colours.onSurfaceMuted
                            }
                            FocusRing {
                                outset: 2
                                cornerRadius: 4
                            }
                        }
                    }
                }
            }
        }

        Text {
            id: summary
            objectName: "summary"
            width: parent.width
            visible: cardModel.hasTexts
            text: cardModel.summary
            textFormat: Text.PlainText
            font: Tokens.text.rowBody
            color: root.colours.onSurfaceMuted
            elide: Text.ElideRight
            maximumLineCount: 1
        }

        // Made only for the few settings that restart an app.
        Loader {
            width: parent.width
            active: cardModel.restartLine !== ""
            visible: active
            sourceComponent: Text {
                objectName: "restartLine"
                topPadding: 3
                text: cardModel.restartLine
                textFormat: Text.PlainText
                font: Qt.font({ family: "monospace", pixelSize: Tokens.text.rowMeta.pixelSize,
                                weight: Tokens.text.rowMeta.weight })
                color: root.colours.onSurfaceFaint
                elide: Text.ElideRight
            }
        }
    }

    Item {
        id: controlBox
        anchors.right: infoButton.left
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        width: 230
        height: control.implicitHeight
        SettingControlView {
            id: control
            objectName: "control"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, parent.width)
            adapter: cardModel.control
            // A value that cannot be read is not shown as Apple's default, nor offered for changing.
            visible: cardModel.control !== null && !cardModel.isUnreadable
            inTabOrder: root.inTabOrder
            rowKeys: root.ListView.view
        }
        Loader {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            active: cardModel.isUnreadable
            visible: active
            // From its own file: few cards ever show it.
            Component.onCompleted: setSource("UnreadableValue.qml", {objectName: "unreadableValue", colours: root.colours})
            onLoaded: item.colours = Qt.binding(() => root.colours)
        }
    }

    PlainButton {
        id: infoButton
        objectName: "infoButton"
        // Drawn as under the pointer while it has the keyboard's focus too.
        readonly property bool infoHovered: hovered || visualFocus
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 22
        implicitHeight: 22
        focusPolicy: root.focusPolicy | (activeFocus ? Qt.TabFocus : 0)
        scale: infoHovered ? 1.08 : 1
        text: cardModel.infoLabel
        onClicked: root.showsDetail = true
        Behavior on scale { SpringAnimation { spring: 8; damping: 0.7; epsilon: 0.001 } }

        // Drawn by plain children: a control would build a content item and background for every card.
        Rectangle {
            readonly property color ink: root.colours.onSurface
            anchors.fill: parent
            radius: 6
            color: Qt.rgba(ink.r, ink.g, ink.b, infoButton.infoHovered ? 0.12 : 0.06)
            border.width: 1
            border.color: infoButton.infoHovered ? root.colours.borderStrong : "transparent"
            antialiasing: true
        }
        Text {
            anchors.fill: parent
            text: "i"
            font.family: "serif"
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: infoButton.infoHovered ? root.colours.onSurface : root.colours.onSurfaceMuted
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        FocusRing { cornerRadius: 6 }
    }

    // The sheet is loaded from its file when opened and dropped when closed, not made with every card.
    Loader {
        objectName: "detailLoader"
        readonly property bool open: root.showsDetail
        onOpenChanged: open ? setSource("SettingDetail.qml", {card: cardModel, pasteboard: root.pasteboard, visible: true})
                            : setSource("")
        onLoaded: {
            if (!item)
                return;
            item.dismiss.connect(item.close);
            // A sheet also closes as the card goes away.
            item.closed.connect(() => { if (root) root.showsDetail = false; });
        }
    }

    // A status mark of the title line: a small symbol with a tooltip, silent for screen readers.
    // Most cards show no mark: its symbol and tooltip are only made while it is shown.
    component Mark: Loader {
        id: mark
        required property bool shown
        required property string symbol
        required property real size
        required property color colour
        required property string tip
        active: shown
        visible: shown
        Accessible.ignored: true
        sourceComponent: Component {
            Item {
                implicitWidth: mark.size
                implicitHeight: mark.size
                SymbolIcon {
                    anchors.centerIn: parent
                    name: mark.symbol
                    pointSize: mark.size
                    color: mark.colour
                }
                HoverHandler { id: markHover }
                HoverTip {
                    text: mark.tip
                    hovered: markHover.hovered
                }
            }
        }
    }
}
