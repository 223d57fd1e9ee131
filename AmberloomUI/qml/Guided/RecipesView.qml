import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import AmberLoom.UI

// The quick-setups screen: the grid of recipes, or the detail of the open one with its preview,
// the apply bar, the report of the last application and the outcome of an undo. While the last
// application can still be undone, its Undo stays offered wherever its report is not shown. The
// title and subtitle are for the window that shows the screen.
Item {
    id: view

    required property RecipesModel model
    readonly property var recipe: model.selectedRecipe
    readonly property string title: recipe ? recipe.title : qsTr("Recipes")
    readonly property string subtitle: recipe ? recipe.tagline
                                              : CountText.of(qsTr("%lld ready-made sets"), model.recipes.count)

    BatchOutcomeFocus {
        batch: view.model.batch
        screen: view
        outcomeNames: ["undoHeading", "reportHeading"]
    }

    GuidedPage {
        anchors.fill: parent
        working: view.model.progress.shown

        Loader {
            objectName: view.recipe ? "recipeDetail" : "recipeGrid"
            Layout.fillWidth: true
            sourceComponent: view.recipe ? detail : grid
        }
    }

    component RecipeCard: T.AbstractButton {
        id: card

        required property var recipe
        required property bool isHero

        implicitWidth: 280
        implicitHeight: implicitContentHeight + topPadding + bottomPadding
        leftPadding: 18
        rightPadding: 18
        topPadding: isHero ? 20 : 16
        bottomPadding: isHero ? 20 : 16
        Accessible.role: Accessible.Button
        Accessible.name: recipe.title + ". " + recipe.tagline
        Accessible.description: CountText.of(qsTr("Opens the list of %lld settings this recipe changes"), recipe.settingCount)

        background: SurfaceGroup {
            cornerRadius: Tokens.radius.card
            border: Theme.palette.border
        }
        FocusRing { cornerRadius: Tokens.radius.card }

        contentItem: ColumnLayout {
            spacing: 6
            Text {
                objectName: "cardTitle"
                Layout.fillWidth: true
                text: card.recipe.title
                textFormat: Text.PlainText
                font: card.isHero ? Tokens.text.h3 : Tokens.text.label
                color: Theme.palette.onSurface
                wrapMode: Text.Wrap
            }
            Text {
                Layout.fillWidth: true
                text: card.recipe.tagline
                textFormat: Text.PlainText
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "cardSummary"
                visible: card.isHero
                Layout.fillWidth: true
                text: card.recipe.summary
                textFormat: Text.PlainText
                font: Tokens.text.caption
                color: Theme.palette.onSurfaceFaint
                wrapMode: Text.Wrap
            }
            Item { Layout.fillHeight: true }
            RowLayout {
                Layout.topMargin: 2
                spacing: 8
                Text {
                    text: CountText.of(qsTr("%lld settings"), card.recipe.settingCount)
                    font: Tokens.text.kicker
                    color: Theme.palette.onSurfaceFaint
                }
                SymbolText {
                    objectName: "cardCaution"
                    visible: card.recipe.caution !== ""
                    wraps: false
                    symbol: "exclamationmark.circle"
                    text: qsTr("Check what it changes first")
                    font: Tokens.text.kicker
                    color: Theme.palette.stateWarn
                }
            }
        }
    }

    // The way back from the last application, shown where its report is not.
    component UndoOffer: ActionRow {
        objectName: "undoOffer"
        Layout.fillWidth: true
        title: qsTr("Undo the last quick setup")
        explanation: qsTr("Puts the settings that “%@” changed back the way they were.")
                     .replace("%@", view.model.undoableTitle)
        symbol: "arrow.uturn.backward"
        actionTitle: qsTr("Undo this quick setup")
        isProminent: false
        isEnabled: true
        disabledReason: null
        onAction: view.model.undoLast()
    }

    component UndoPanel: UndoReportCard {
        objectName: "undoPanel"
        visible: view.model.undoReport !== null && view.model.undoReport !== undefined
        report: visible ? view.model.undoReport : { isComplete: true, restoredCount: 0, total: 0, failedLines: [] }
    }

    component RecipeBadge: Rectangle {
        property alias text: label.text
        property alias colour: label.color
        implicitWidth: label.implicitWidth + 14
        implicitHeight: label.implicitHeight + 4
        radius: height / 2
        Text {
            id: label
            anchors.centerIn: parent
            font: Tokens.text.kicker
        }
    }

    Component {
        id: grid

        ColumnLayout {
            id: gridPage
            spacing: 12
            readonly property int columns: Math.max(1, Math.floor((width + 12) / (280 + 12)))

            Text {
                objectName: "introduction"
                Layout.fillWidth: true
                Layout.bottomMargin: 2
                text: qsTr("A quick setup changes several settings at once. You see exactly which ones before anything changes, and one button puts them all back.")
                font: Tokens.text.body
                color: Theme.palette.onSurfaceMuted
                wrapMode: Text.WordWrap
            }
            WorkingCard { progress: view.model.progress }
            UndoPanel {}
            UndoOffer { visible: view.model.canUndo }
            RecipeCard {
                objectName: "heroCard"
                visible: view.model.recipes.count > 0
                Layout.fillWidth: true
                isHero: true
                recipe: visible ? {
                    title: view.model.recipes.get(0, "title"),
                    tagline: view.model.recipes.get(0, "tagline"),
                    summary: view.model.recipes.get(0, "summary"),
                    caution: view.model.recipes.get(0, "caution"),
                    settingCount: view.model.recipes.get(0, "settingCount")
                } : { title: "", tagline: "", summary: "", caution: "", settingCount: 0 }
                onClicked: view.model.selectedRecipeID = view.model.recipes.get(0, "recipeId")
            }
            GridLayout {
                objectName: "restGrid"
                Layout.fillWidth: true
                columns: gridPage.columns
                columnSpacing: 12
                rowSpacing: 12

                Repeater {
                    model: view.model.recipes
                    RecipeCard {
                        required property int index
                        required property var model
                        objectName: "recipeCard-" + model.recipeId
                        visible: index > 0
                        isHero: false
                        recipe: model
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        // Equal columns of at least 280 points, as many as the width holds.
                        Layout.preferredWidth: (gridPage.width - (gridPage.columns - 1) * 12) / gridPage.columns
                        Layout.maximumWidth: Layout.preferredWidth
                        onClicked: view.model.selectedRecipeID = model.recipeId
                    }
                }
            }
        }
    }

    Component {
        id: detail

        ColumnLayout {
            spacing: 12

            BorderlessButton {
                objectName: "allQuickSetups"
                text: qsTr("All quick setups")
                symbol: "chevron.left"
                onClicked: view.model.selectedRecipeID = ""
            }

            CardColumn {
                objectName: "recipeHeader"
                lineSpacing: 8
                Text {
                    Layout.fillWidth: true
                    text: view.recipe ? view.recipe.summary : ""
                    textFormat: Text.PlainText
                    font: Tokens.text.body
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
                SymbolText {
                    objectName: "headerCaution"
                    visible: view.recipe !== null && view.recipe.caution !== ""
                    symbol: "exclamationmark.circle"
                    text: view.recipe ? view.recipe.caution : ""
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                }
            }

            WorkingCard { progress: view.model.progress }
            UndoPanel {}
            UndoOffer { visible: view.model.canUndo && !reportPanel.visible }

            // The report of the last application, in place of the preview and the apply bar.
            CardColumn {
                id: reportPanel
                objectName: "reportPanel"
                readonly property var report: view.model.report
                visible: report !== null && report !== undefined
                lineSpacing: 10

                SymbolText {
                    objectName: "reportHeading"
                    font: Tokens.text.label
                    symbol: view.model.isDryRun ? "eye" : reportPanel.visible && reportPanel.report.allApplied
                                                          ? "checkmark.circle" : "exclamationmark.circle"
                    color: view.model.isDryRun || !(reportPanel.visible && reportPanel.report.allApplied)
                           ? Theme.palette.stateWarn : Theme.palette.stateOn
                    text: !reportPanel.visible ? ""
                          : view.model.isDryRun
                            ? CountText.of(qsTr("Dry run — %lld settings were not written"), reportPanel.report.total)
                            : qsTr("%lld of %lld applied and verified").replace("%lld", reportPanel.report.appliedCount)
                                                                      .replace("%lld", reportPanel.report.total)
                }
                Text {
                    objectName: "alreadyMatching"
                    visible: reportPanel.visible && reportPanel.report.alreadyMatching > 0
                    Layout.fillWidth: true
                    text: visible ? CountText.of(qsTr("%lld were already set the way this recipe wants them."), reportPanel.report.alreadyMatching) : ""
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceFaint
                    wrapMode: Text.Wrap
                }
                Text {
                    objectName: "skippedPinned"
                    visible: reportPanel.visible && reportPanel.report.skippedPinned > 0
                    Layout.fillWidth: true
                    text: visible ? CountText.of(qsTr("%lld were left alone because you pinned them to this Mac."), reportPanel.report.skippedPinned) : ""
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
                SymbolText {
                    objectName: "undoWarning"
                    visible: !view.model.undoSurvivesRestart && view.model.canUndo && !view.model.isDryRun
                    symbol: "exclamationmark.triangle"
                    text: qsTr("The undo information could not be saved. Undo still works, but only until you close this window.")
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                }
                // Stored, but without values it cannot hold: the model's sentence says which way back remains.
                SymbolText {
                    objectName: "undoPointNote"
                    visible: view.model.undoSurvivesRestart && view.model.canUndo && !view.model.isDryRun
                             && view.model.lastError !== ""
                    symbol: "exclamationmark.triangle"
                    text: visible ? view.model.lastError : ""
                    font: Tokens.text.caption
                    color: Theme.palette.stateWarn
                }
                Repeater {
                    model: reportPanel.visible ? reportPanel.report.failedLines : []
                    Text {
                        required property string modelData
                        Layout.fillWidth: true
                        text: modelData
                        textFormat: Text.PlainText
                        font: Tokens.text.mono
                        color: Theme.palette.stateWarn
                        wrapMode: Text.WrapAnywhere
                    }
                }
                Text {
                    objectName: "restartLine"
                    visible: reportPanel.visible && reportPanel.report.restartLine !== ""
                    Layout.fillWidth: true
                    text: visible ? reportPanel.report.restartLine : ""
                    textFormat: Text.PlainText
                    font: Tokens.text.caption
                    color: Theme.palette.onSurfaceMuted
                    wrapMode: Text.Wrap
                }
                RowLayout {
                    Layout.topMargin: 2
                    spacing: 10
                    ActionButton {
                        objectName: "undoQuickSetup"
                        prominent: false
                        text: qsTr("Undo this quick setup")
                        enabled: view.model.canUndo
                        onClicked: view.model.undoLast()
                    }
                    BorderlessButton {
                        objectName: "backToTheList"
                        text: qsTr("Back to the list")
                        onClicked: view.model.selectedRecipeID = ""
                    }
                }
            }

            CardColumn {
                objectName: "previewList"
                visible: !reportPanel.visible
                sidePadding: 0
                endPadding: 0
                lineSpacing: 0

                Repeater {
                    model: view.model.preview
                    ColumnLayout {
                        id: row
                        required property var model
                        objectName: "previewRow-" + model.settingID
                        Layout.fillWidth: true
                        spacing: 0
                        Accessible.role: Accessible.StaticText
                        Accessible.name: model.label
                        Accessible.description: model.accessibleValue

                        // Anchored rather than laid out: a layout rounds widths and would cut
                        // a value that fits.
                        Item {
                            Layout.fillWidth: true
                            Layout.leftMargin: 18
                            Layout.rightMargin: 18
                            Layout.topMargin: 9
                            Layout.bottomMargin: 9
                            implicitHeight: Math.max(label.implicitHeight, valueText.implicitHeight)

                            Text {
                                id: label
                                anchors.left: parent.left
                                anchors.right: badge.visible ? badge.left : valueText.left
                                anchors.rightMargin: 12
                                text: row.model.label
                                textFormat: Text.PlainText
                                font: Tokens.text.body
                                color: row.model.willWrite ? Theme.palette.onSurface : Theme.palette.onSurfaceFaint
                                elide: Text.ElideRight
                            }
                            RecipeBadge {
                                id: badge
                                objectName: "badge"
                                anchors.right: parent.right
                                anchors.verticalCenter: label.verticalCenter
                                visible: row.model.badge !== ""
                                text: row.model.badge
                                colour: row.model.badge === qsTr("Pinned") ? Theme.palette.onSurfaceMuted
                                                                           : Theme.palette.onSurfaceFaint
                                color: Theme.palette.surfaceGlass
                            }
                            Text {
                                id: valueText
                                objectName: "valueText"
                                anchors.right: parent.right
                                anchors.baseline: label.baseline
                                width: Math.min(Math.ceil(implicitWidth) + 1, parent.width * 0.55)
                                visible: row.model.badge === ""
                                text: row.model.valueText
                                textFormat: Text.PlainText
                                font: Tokens.text.mono
                                color: Theme.palette.onSurfaceMuted
                                horizontalAlignment: Text.AlignRight
                                elide: Text.ElideMiddle
                            }
                        }
                        Rectangle {
                            visible: !row.model.isLast
                            Layout.fillWidth: true
                            implicitHeight: 1
                            color: Theme.palette.border
                        }
                    }
                }
            }

            SurfaceBar {
                objectName: "applyBar"
                visible: !reportPanel.visible
                Layout.fillWidth: true
                border: Theme.palette.border

                RowLayout {
                    spacing: 12
                    ColumnLayout {
                        Layout.leftMargin: 18
                        Layout.topMargin: 12
                        Layout.bottomMargin: 12
                        Layout.fillWidth: true
                        spacing: 2
                        Text {
                            objectName: "summaryLine"
                            Layout.fillWidth: true
                            text: view.model.summaryLine
                            textFormat: Text.PlainText
                            font: Tokens.text.caption
                            color: Theme.palette.onSurfaceMuted
                            wrapMode: Text.Wrap
                        }
                        Text {
                            objectName: "leftOutLine"
                            visible: view.model.leftOutLine !== ""
                            Layout.fillWidth: true
                            text: view.model.leftOutLine
                            textFormat: Text.PlainText
                            font: Tokens.text.caption
                            color: Theme.palette.onSurfaceFaint
                            wrapMode: Text.Wrap
                        }
                        Text {
                            objectName: "practiceNotice"
                            visible: view.model.isDryRun
                            text: qsTr("Practice mode — nothing will really change")
                            font: Tokens.text.kicker
                            color: Theme.palette.stateWarn
                        }
                    }
                    ActionButton {
                        objectName: "applyButton"
                        Layout.rightMargin: 18
                        prominent: true
                        enabled: view.model.changeCount !== 0
                        text: view.model.changeCount === 0 ? qsTr("Nothing to change")
                                                           : CountText.of(qsTr("Apply %lld changes"), view.model.changeCount)
                        onClicked: view.model.apply()
                    }
                }
            }
        }
    }
}
