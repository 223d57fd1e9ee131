#include "Guided/RecipesModel.hpp"

#include <QStringList>
#include <algorithm>

#include "Kit/GuidedText.hpp"
#include "Kit/Logging.hpp"
#include "Preferences/PinnedSettings.hpp"

namespace amberloom::ui {

using guided::qstr;
using guided::replace;

namespace {

constexpr const char* kOpenRecipeKey = "AmberloomOpenRecipe";
constexpr const char* kDryRunReason = "kuru kosum";

// The card counts what the recipe would really write on this Mac: the settings this macOS does
// not offer are left out, as applying leaves them out.
QVariantMap cardRow(const Recipe& recipe, const RecipeService& service) {
  const auto settingCount = static_cast<int>(recipe.values.size() - service.unavailable(recipe).size());
  return {{QStringLiteral("recipeId"), qstr(recipe.id)},
          {QStringLiteral("title"), qstr(recipe.title)},
          {QStringLiteral("tagline"), qstr(recipe.tagline)},
          {QStringLiteral("summary"), qstr(recipe.summary)},
          {QStringLiteral("caution"), qstr(recipe.caution.value_or(""))},
          {QStringLiteral("settingCount"), settingCount}};
}

QVariantMap previewRow(const RecipePreviewRow& row, bool isLast) {
  QString badge;
  QString accessibleValue;
  const QString target = qstr(row.targetText());
  if (!row.changes()) {
    badge = guided::localized("Already set");
    accessibleValue = guided::localized("Already ") + target;
  } else if (row.pinnedToThisMac) {
    badge = guided::localized("Pinned");
    accessibleValue = guided::localized("Pinned to this Mac, will not change");
  } else {
    accessibleValue = qstr(row.currentText()) + guided::localized(", changing to ") + target;
  }
  return {{QStringLiteral("settingID"), qstr(row.settingID)},
          {QStringLiteral("label"), qstr(row.label)},
          {QStringLiteral("willWrite"), row.willWrite()},
          {QStringLiteral("badge"), badge},
          {QStringLiteral("valueText"), qstr(row.currentText()) + QStringLiteral(" → ") + target},
          {QStringLiteral("accessibleValue"), accessibleValue},
          {QStringLiteral("isLast"), isLast}};
}

}  // namespace

std::shared_ptr<RecipesModel> RecipesModel::live(const ModelContext& context, std::vector<Recipe> recipes,
                                                 const SettingsCatalog& catalog, const SettingsService& settings,
                                                 const PreferenceStoreRef& store, const IntentLog& intents) {
  return std::make_shared<RecipesModel>(context, std::move(recipes),
                                        RecipeService(catalog, settings, DomainResolver::live(), store, intents));
}

std::vector<Recipe> RecipesModel::bundledRecipes(const SettingsCatalog& catalog) {
  try {
    return RecipeCatalog::bundled(catalog).recipes();
  } catch (const std::exception& error) {
    // A recipe file that no longer fits the catalogue offers nothing rather than a wrong setup.
    qCWarning(lcGuided).noquote() << "The built-in quick setups cannot be read; none is offered:" << error.what();
    return {};
  }
}

RecipesModel::RecipesModel(const ModelContext& context, std::vector<Recipe> recipes, RecipeService service,
                           QObject* parent)
    : QObject(parent),
      recipes_(std::move(recipes)),
      isDryRun_(context.isDryRun),
      service_(std::move(service)),
      verifier_(context.verifier),
      defaults_(context.defaults),
      notice_(context.notice),
      recipeRows_(new RowListModel({"recipeId", "title", "tagline", "summary", "caution", "settingCount"}, this)),
      previewRows_(new RowListModel({"settingID", "label", "willWrite", "badge", "valueText", "accessibleValue", "isLast"},
                                    this)),
      batch_(new GuidedBatch(context.history, WayBackQuestion::Undo::whileOpen, this)) {
  QList<QVariantMap> cards;
  for (const auto& recipe : recipes_) cards << cardRow(recipe, service_);
  recipeRows_->setRows(std::move(cards));
  if (auto open = defaults_->stringValue(kOpenRecipeKey)) {
    const bool known = std::any_of(recipes_.begin(), recipes_.end(), [&](const Recipe& r) { return r.id == *open; });
    if (known) setSelectedRecipeID(*open);
  }
  if (notice_) notice_->listen(this, [this](const Change&) { showCurrentValues(); });
}

void RecipesModel::setSelectedRecipeID(std::optional<std::string> id) {
  if (batch_->isRunning()) return;
  const bool changed = replace(selectedRecipeID_, std::move(id));
  refreshPreview();
  if (changed) emit selectedRecipeIDChanged();
}

const Recipe* RecipesModel::selectedRecipe() const {
  if (!selectedRecipeID_) return nullptr;
  for (const auto& recipe : recipes_)
    if (recipe.id == *selectedRecipeID_) return &recipe;
  return nullptr;
}

int RecipesModel::changeCount() const {
  return static_cast<int>(std::count_if(preview_.begin(), preview_.end(), [](const auto& r) { return r.willWrite(); }));
}

int RecipesModel::unchangedCount() const {
  return static_cast<int>(std::count_if(preview_.begin(), preview_.end(), [](const auto& r) { return !r.changes(); }));
}

int RecipesModel::pinnedCount() const {
  return static_cast<int>(
      std::count_if(preview_.begin(), preview_.end(), [](const auto& r) { return r.changes() && r.pinnedToThisMac; }));
}

std::vector<RecipePreviewRow> RecipesModel::freshPreview(const Recipe& recipe) const {
  return service_.preview(recipe, PinnedSettings::load(*defaults_));
}

void RecipesModel::refreshPreview() {
  if (batch_->isRunning()) return;
  setReport(std::nullopt);
  setUndoReport(std::nullopt);
  setAppliedRecipeID(std::nullopt);
  const Recipe* recipe = selectedRecipe();
  setPreview(recipe ? freshPreview(*recipe) : std::vector<RecipePreviewRow>{});
}

void RecipesModel::apply() {
  if (batch_->isRunning()) return;
  const Recipe* found = selectedRecipe();
  if (!found) return;
  const Recipe recipe = *found;
  setPreview(freshPreview(recipe));
  if (changeCount() == 0) return;

  if (isDryRun_) {
    WriteReport report;
    for (const auto& row : preview_) {
      if (row.willWrite()) report.outcomes.push_back({row.settingID, false, kDryRunReason});
      if (!row.changes()) report.alreadyMatching.push_back(row.settingID);
      if (row.changes() && row.pinnedToThisMac) report.skippedPinned.push_back(row.settingID);
    }
    setReport(std::move(report));
    setAppliedRecipeID(recipe.id);
    batch_->showOutcome();
    return;
  }

  batch_->run(
      guided::localized("Applying “%@”…", {qstr(recipe.title)}),
      [service = service_, recipe, pinned = PinnedSettings::load(*defaults_), verifier = verifier_](
          const SnapshotHistory& history) { return service.apply(recipe, pinned, *verifier, history); },
      [this, recipe](BatchResult<WriteReport> batch) {
        setReport(std::move(batch.report));
        setAppliedRecipeID(recipe.id);
        setUndoReport(std::nullopt);
        setLastError(batch.undoPointMessage(batch.wayBack.has_value()));
        if (!batch.wayBack) {
          // Nothing changed, so there is nothing to go back to: the last application's undo stays.
          showCurrentValues();
          return;
        }
        setLastUndo(batch.wayBack->point, recipe.title);
        setUndoSurvivesRestart(batch.wayBack->onDisk());
        refreshValuesAfterWrite(batch.change);
      });
}

void RecipesModel::undoLast() {
  if (isDryRun_ || !lastUndo_ || batch_->isRunning()) return;
  batch_->run(guided::localized("Undoing “%@”…", {qstr(lastUndoTitle_)}),
              [service = service_, wayBack = *lastUndo_, verifier = verifier_](const SnapshotHistory& history) {
                return service.undo(wayBack, *verifier, history);
              },
              [this](BatchResult<UndoReport> batch) {
                const UndoReport& result = batch.report;
                if (result.isComplete()) {
                  setLastError(std::nullopt);
                  setLastUndo(std::nullopt);
                  setUndoSurvivesRestart(false);
                  refreshPreview();  // clears the report shown so far: the undo's own is set below
                } else {
                  setLastError(guided::incompleteUndo(result));
                }
                setUndoReport(result);
                refreshValuesAfterWrite(batch.change);
              });
}

void RecipesModel::refreshValuesAfterWrite(const Change& change) {
  if (notice_) notice_->announce(change, this);
  showCurrentValues();
}

void RecipesModel::showCurrentValues() {
  if (const Recipe* recipe = selectedRecipe()) setPreview(freshPreview(*recipe));
}

void RecipesModel::setPreview(std::vector<RecipePreviewRow> rows) {
  if (!replace(preview_, std::move(rows))) return;
  QList<QVariantMap> shown;
  for (std::size_t i = 0; i < preview_.size(); ++i) shown << previewRow(preview_[i], i + 1 == preview_.size());
  previewRows_->setRows(std::move(shown));
  emit previewChanged();
}

void RecipesModel::setReport(std::optional<WriteReport> report) {
  if (replace(report_, std::move(report))) emit reportChanged();
}
void RecipesModel::setLastUndo(std::optional<StoredSnapshot> undo, std::string recipeTitle) {
  const bool titled = replace(lastUndoTitle_, undo ? std::move(recipeTitle) : std::string());
  if (replace(lastUndo_, std::move(undo)) || titled) emit lastUndoChanged();
}
void RecipesModel::setUndoSurvivesRestart(bool survives) {
  if (replace(undoSurvivesRestart_, survives)) emit undoSurvivesRestartChanged();
}
void RecipesModel::setLastError(std::optional<std::string> error) {
  if (replace(lastError_, std::move(error))) emit lastErrorChanged();
}
void RecipesModel::setAppliedRecipeID(std::optional<std::string> id) {
  if (replace(appliedRecipeID_, std::move(id))) emit appliedRecipeIDChanged();
}
void RecipesModel::setUndoReport(std::optional<UndoReport> report) {
  if (replace(undoReport_, std::move(report))) emit undoReportChanged();
}

QString RecipesModel::selectedRecipeIDText() const { return qstr(selectedRecipeID_.value_or("")); }

void RecipesModel::setSelectedRecipeIDText(const QString& id) {
  setSelectedRecipeID(id.isEmpty() ? std::nullopt : std::optional(id.toStdString()));
}

QVariant RecipesModel::selectedRecipeRow() const {
  const Recipe* recipe = selectedRecipe();
  return recipe ? QVariant(cardRow(*recipe, service_)) : QVariant();
}

QString RecipesModel::summaryLine() const {
  QStringList parts{QString::number(changeCount()) + QStringLiteral(" will change")};
  if (unchangedCount() > 0) parts << QString::number(unchangedCount()) + QStringLiteral(" already match");
  if (pinnedCount() > 0) parts << QString::number(pinnedCount()) + QStringLiteral(" pinned to this Mac");
  if (const auto left = leftOut().size(); left > 0)
    parts << QString::number(left) + QStringLiteral(" left out on this macOS");
  return parts.join(QStringLiteral(" · "));
}

std::vector<SettingDefinition> RecipesModel::leftOut() const {
  const Recipe* recipe = selectedRecipe();
  return recipe ? service_.unavailable(*recipe) : std::vector<SettingDefinition>{};
}

QString RecipesModel::leftOutLine() const {
  QStringList labels;
  for (const auto& setting : leftOut()) labels << qstr(setting.label);
  if (labels.isEmpty()) return {};
  return guided::localized("Left out, as they do not apply to macOS %@: ", {qstr(service_.os().description())}) +
         labels.join(QStringLiteral(", "));
}

QVariant RecipesModel::reportCard() const {
  return report_ ? QVariant(guided::writeReportCard(*report_, isDryRun_)) : QVariant();
}

QString RecipesModel::undoableTitle() const { return qstr(lastUndoTitle_); }

QString RecipesModel::lastErrorText() const { return qstr(lastError_.value_or("")); }
QString RecipesModel::appliedRecipeIDText() const { return qstr(appliedRecipeID_.value_or("")); }

QVariant RecipesModel::undoReportCard() const {
  return undoReport_ ? QVariant(guided::undoReportCard(*undoReport_)) : QVariant();
}

}  // namespace amberloom::ui
