#pragma once
// The quick-setups screen's model: the recipes, the open one with a live preview of what it would
// change on this Mac, the report of its last application, the undo of that application (kept in
// memory and stored on disk as an undo point) and the report of the last undo. Settings pinned to
// this Mac are read afresh at each step and never written. Main thread only; every operation runs
// to its end before it returns and none throws. An application and its undo write and read back
// on a thread of their own meanwhile (see WorkInProgress); other operations wait for no one and
// are ignored until they end.

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Guided/RowListModel.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/GuidedBatch.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Recipes/RecipeCatalog.hpp"
#include "Recipes/RecipeService.hpp"

namespace amberloom::ui {

class RecipesModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  // Cards: recipeId, title, tagline, summary, caution (empty when none), settingCount.
  Q_PROPERTY(amberloom::ui::RowListModel* recipes READ recipeRows CONSTANT)
  // Empty when no recipe is open.
  Q_PROPERTY(QString selectedRecipeID READ selectedRecipeIDText WRITE setSelectedRecipeIDText NOTIFY selectedRecipeIDChanged)
  // The open recipe as a card row (see `recipes`); null when none is open.
  Q_PROPERTY(QVariant selectedRecipe READ selectedRecipeRow NOTIFY selectedRecipeIDChanged)
  // Rows: settingID, label, willWrite, badge ("Already set", "Pinned" or empty), valueText
  // ("<current> → <target>"), accessibleValue, isLast.
  Q_PROPERTY(amberloom::ui::RowListModel* preview READ previewRows CONSTANT)
  Q_PROPERTY(int changeCount READ changeCount NOTIFY previewChanged)
  Q_PROPERTY(int unchangedCount READ unchangedCount NOTIFY previewChanged)
  Q_PROPERTY(int pinnedCount READ pinnedCount NOTIFY previewChanged)
  Q_PROPERTY(QString summaryLine READ summaryLine NOTIFY previewChanged)
  // "Left out, as they do not apply to macOS <version>: <labels>"; empty when none is left out.
  Q_PROPERTY(QString leftOutLine READ leftOutLine NOTIFY previewChanged)
  // The report card (see guided::writeReportCard); null without a report.
  Q_PROPERTY(QVariant report READ reportCard NOTIFY reportChanged)
  Q_PROPERTY(bool canUndo READ canUndo NOTIFY lastUndoChanged)
  // The title of the recipe whose last application can still be undone; empty when none can.
  Q_PROPERTY(QString undoableTitle READ undoableTitle NOTIFY lastUndoChanged)
  Q_PROPERTY(bool undoSurvivesRestart READ undoSurvivesRestart NOTIFY undoSurvivesRestartChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
  Q_PROPERTY(QString appliedRecipeID READ appliedRecipeIDText NOTIFY appliedRecipeIDChanged)
  // The undo card (see guided::undoReportCard); null without an undo report.
  Q_PROPERTY(QVariant undoReport READ undoReportCard NOTIFY undoReportChanged)
  // An application or undo under way.
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when a batch could not store its undo point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of an application or undo, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)

 public:
  // The built-in recipes checked against `catalog`; none when the file is missing or refused.
  static std::vector<Recipe> bundledRecipes(const SettingsCatalog& catalog);

  // Opens the recipe named by "AmberloomOpenRecipe" in the context's preferences when one has that
  // ID. Every real application and undo is announced on the context's notice; the preview follows
  // what others announce.
  RecipesModel(const ModelContext& context, std::vector<Recipe> recipes, RecipeService service,
               QObject* parent = nullptr);
  // Applies through this Mac's domains, recording in `intents`.
  static std::shared_ptr<RecipesModel> live(const ModelContext& context, std::vector<Recipe> recipes,
                                            const SettingsCatalog& catalog, const SettingsService& settings,
                                            const PreferenceStoreRef& store, const IntentLog& intents);

  const std::vector<Recipe>& recipes() const { return recipes_; }
  bool isDryRun() const { return isDryRun_; }
  const std::optional<std::string>& selectedRecipeID() const { return selectedRecipeID_; }
  // Every assignment, also of the same value, computes the preview afresh.
  void setSelectedRecipeID(std::optional<std::string> id);
  const Recipe* selectedRecipe() const;
  const std::vector<RecipePreviewRow>& preview() const { return preview_; }
  const std::optional<WriteReport>& report() const { return report_; }
  // The way back from the last real application, in memory (and on disk when undoSurvivesRestart).
  const std::optional<StoredSnapshot>& lastUndo() const { return lastUndo_; }
  bool undoSurvivesRestart() const { return undoSurvivesRestart_; }
  const std::optional<std::string>& lastError() const { return lastError_; }
  const std::optional<std::string>& appliedRecipeID() const { return appliedRecipeID_; }
  const std::optional<UndoReport>& undoReport() const { return undoReport_; }
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }
  int changeCount() const;
  int unchangedCount() const;
  int pinnedCount() const;
  // The open recipe's settings that do not apply to this Mac: preview and apply leave them out.
  std::vector<SettingDefinition> leftOut() const;

  // Clears the report and undo report and previews the open recipe (nothing when none is open).
  Q_INVOKABLE void refreshPreview();
  // Applies the open recipe, skipping pinned settings and those that do not apply to this Mac, its
  // undo point stored before the first write (none kept when nothing was written). When no point
  // can be stored, nothing is written and the way-back question asked.
  Q_INVOKABLE void apply();
  // Undoes the last real application (asking first, as apply does).
  Q_INVOKABLE void undoLast();

 signals:
  void selectedRecipeIDChanged();
  void previewChanged();
  void reportChanged();
  void lastUndoChanged();
  void undoSurvivesRestartChanged();
  void lastErrorChanged();
  void appliedRecipeIDChanged();
  void undoReportChanged();

 private:
  void setPreview(std::vector<RecipePreviewRow> rows);
  void setReport(std::optional<WriteReport> report);
  // The state before the application of `recipeTitle`, or none.
  void setLastUndo(std::optional<StoredSnapshot> undo, std::string recipeTitle = {});
  void setUndoSurvivesRestart(bool survives);
  void setLastError(std::optional<std::string> error);
  void setAppliedRecipeID(std::optional<std::string> id);
  void setUndoReport(std::optional<UndoReport> report);
  // Tells the others what was written, then previews the values now on this Mac.
  void refreshValuesAfterWrite(const Change& change);
  void showCurrentValues();
  std::vector<RecipePreviewRow> freshPreview(const Recipe& recipe) const;

  RowListModel* recipeRows() { return recipeRows_; }
  RowListModel* previewRows() { return previewRows_; }
  QString selectedRecipeIDText() const;
  void setSelectedRecipeIDText(const QString& id);
  QVariant selectedRecipeRow() const;
  QString summaryLine() const;
  QString leftOutLine() const;
  QVariant reportCard() const;
  bool canUndo() const { return lastUndo_.has_value(); }
  QString undoableTitle() const;
  QString lastErrorText() const;
  QString appliedRecipeIDText() const;
  QVariant undoReportCard() const;

  std::vector<Recipe> recipes_;
  bool isDryRun_;
  std::optional<std::string> selectedRecipeID_;
  std::vector<RecipePreviewRow> preview_;
  std::optional<WriteReport> report_;
  std::optional<StoredSnapshot> lastUndo_;
  std::string lastUndoTitle_;
  bool undoSurvivesRestart_ = false;
  std::optional<std::string> lastError_;
  std::optional<std::string> appliedRecipeID_;
  std::optional<UndoReport> undoReport_;
  RecipeService service_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  UserDefaultsRef defaults_;
  ChangeNoticeRef notice_;
  RowListModel* recipeRows_;
  RowListModel* previewRows_;
  GuidedBatch* batch_;
};

}  // namespace amberloom::ui
