#include "Browser/SettingsModel.hpp"

#include <algorithm>

#include "Browser/AppRestarter.hpp"
#include "Browser/SettingGroupListModel.hpp"
#include "Browser/SettingListModel.hpp"
#include "Changes/ShellCommand.hpp"
#include "Changes/WriteReport.hpp"
#include "Kit/Localized.hpp"
#include "Kit/Logging.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/CanonicalText.hpp"
#include "Support/Iso8601.hpp"
#include "Support/LocalizedOrder.hpp"

namespace amberloom::ui {

namespace {

constexpr const char* kLastSelectedGroup = "lastSelectedGroup";
constexpr const char* kShowsBasicOnly = "showsBasicOnly";
constexpr const char* kShowsRiskySettings = "showsRiskySettings";
constexpr const char* kSeenDiscoverCards = "seenDiscoverCards";

// Texts are the same when canonically equivalent, as preference strings are compared.
bool sameText(const std::string& a, const std::string& b) { return canonicallyEqual(a, b); }

// Whether a terminal would take part of `text`, pasted, as keys rather than text: a control
// character other than tab, line feed and carriage return (Control-U empties the line, an escape
// ends a bracketed paste), delete, or a C1 control (U+0080 to U+009F, "\xC2\x80" to "\xC2\x9F").
bool holdsTerminalKeys(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) return true;
    if (c == 0xc2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9f) return true;
    }
  }
  return false;
}

}  // namespace

SettingsModel::SettingsModel(const ModelContext& context, const SettingsCatalog& catalog, SettingsService service,
                             std::optional<IntentLog> intents, std::optional<DiscoverDeck> deck, ThisMac mac,
                             QObject* parent)
    : QObject(parent),
      isDryRun_(context.isDryRun),
      service_(std::move(service)),
      defaults_(context.defaults),
      intents_(std::move(intents)),
      verifier_(context.verifier),
      deck_(std::move(deck)),
      restartApps_(std::move(mac.restartApps)),
      notice_(context.notice),
      clock_(context.clock),
      progress_(new WorkInProgress(this)) {
  // The window stays usable while one setting is written: a key typed meanwhile (the next press
  // of a slider's arrow) is handled once the write is done.
  progress_->setKeysWait(true);
  const auto available = catalog.sharedSettings().filtered(
      [&](const SettingDefinition& setting) { return setting.availability.allows(mac.os, mac.app); });
  editable_ = available.filtered([](const SettingDefinition& setting) {
    return setting.tier == SettingTier::editable && setting.isUsableOnThisMac();
  });
  showsRiskySettings_ = defaults_->boolValue(kShowsRiskySettings).value_or(false);

  // Carried settings skip the Night Shift test: they are backed up and copied, never edited here.
  std::vector<const SettingDefinition*> carried;
  for (const auto& setting : available)
    if (setting.tier == SettingTier::syncOnly) carried.push_back(&setting);
  const LocalizedOrder order;
  std::stable_sort(carried.begin(), carried.end(), [&](const SettingDefinition* a, const SettingDefinition* b) {
    return order.before(a->label, b->label);
  });
  carried_ = SettingList(available.definitions(), std::move(carried));

  groups_ = SettingGroup::build(editable_);
  for (const auto& setting : editable_) settingsByID_.emplace(setting.id, &setting);
  for (std::size_t i = 0; i < groups_.size(); ++i)
    for (const auto& member : groups_[i].settings) groupOf_.emplace(&member, i);
  // Begun now rather than on the first keystroke, which would otherwise wait for every setting's
  // text to be folded; on a worker, so that the window's first frame does not wait for it either.
  // The groups never change after this point.
  if (auto building = startInBackground([this] { return std::make_unique<SettingSearchIndex>(groups_); }))
    indexBuilding_ = std::move(*building);
  else
    searchIndex_ = std::make_unique<SettingSearchIndex>(groups_);

  // A stored group that no longer exists falls back to the first group; nothing is written back.
  const auto stored = SidebarSelection::fromStored(defaults_->stringValue(kLastSelectedGroup));
  const bool usable = stored && (!stored->isGroup() || std::any_of(groups_.begin(), groups_.end(), [&](const SettingGroup& g) {
                                   return sameText(g.id, stored->groupID());
                                 }));
  if (usable)
    selection_ = *stored;
  else if (!groups_.empty())
    selection_ = SidebarSelection::group(groups_.front().id);

  groupList_ = new SettingGroupListModel(groups_, this);
  visibleList_ = new SettingListModel(*this, this);
  carriedList_ = new SettingListModel(*this, this);
  std::vector<const SettingDefinition*> carriedRows;
  for (const auto& setting : carried_) carriedRows.push_back(&setting);
  carriedList_->setRows(std::move(carriedRows));

  // Through the setter, so the preference exists after the first start.
  setShowsBasicOnly(defaults_->boolValue(kShowsBasicOnly).value_or(false));
  updateVisible();
  refreshAll();
  if (notice_) notice_->listen(this, [this](const Change& change) { takeChange(change); });
}

SettingsModel::~SettingsModel() {
  if (indexBuilding_.valid()) indexBuilding_.wait();  // it reads the groups
}

const SettingSearchIndex& SettingsModel::searchIndex() {
  if (indexBuilding_.valid()) searchIndex_ = indexBuilding_.get();
  return *searchIndex_;
}

QAbstractItemModel* SettingsModel::groupList() const { return groupList_; }
QAbstractItemModel* SettingsModel::visibleSettingList() const { return visibleList_; }
QAbstractItemModel* SettingsModel::carriedSettingList() const { return carriedList_; }

void SettingsModel::remember(const std::function<void(UserDefaults&)>& write) {
  // A preference that cannot be stored only costs the memory of this choice; the model goes on.
  try {
    write(*defaults_);
  } catch (const std::exception& error) {
    qCWarning(lcBrowser).noquote() << "A choice of the settings window is not remembered:" << error.what();
  }
}

// ---- selection ----

void SettingsModel::setSelection(const SidebarSelection& selection) {
  const bool changed = !(selection == selection_);
  selection_ = selection;
  remember([&](UserDefaults& d) { d.setString(selection_.stored(), kLastSelectedGroup); });
  if (!changed) return;
  emit selectionChanged();
  emit discoverCardChanged();
  updateVisible();
}

bool SettingsModel::selectPage(const QString& name) {
  const auto page = SidebarSelection::pageNamed(name.toStdString());
  if (!page || *page == SidebarSelection::Page::group) return false;
  setSelection(SidebarSelection::page(*page));
  return true;
}

std::optional<std::string> SettingsModel::selectedGroupID() const {
  if (!selection_.isGroup()) return std::nullopt;
  return selection_.groupID();
}

const SettingGroup* SettingsModel::selectedGroup() const {
  if (!selection_.isGroup()) return nullptr;
  const auto found = std::find_if(groups_.begin(), groups_.end(),
                                  [&](const SettingGroup& g) { return sameText(g.id, selection_.groupID()); });
  return found == groups_.end() ? nullptr : &*found;
}

QString SettingsModel::selectedGroupName() const {
  const auto* group = selectedGroup();
  return group ? QString::fromStdString(group->name) : QString();
}

// ---- search and filters ----

void SettingsModel::setSearchText(const QString& text) {
  const std::string updated = text.toStdString();
  const bool changed = !sameText(updated, searchText_);
  searchText_ = updated;
  if (!changed) return;
  emit searchTextChanged();
  emit discoverCardChanged();
  updateVisible();
}

void SettingsModel::assignFilter(bool& filter, bool on, const char* key, void (SettingsModel::*changed)()) {
  const bool differs = on != filter;
  filter = on;
  remember([&](UserDefaults& d) { d.setBool(on, key); });
  if (!differs) return;
  emit(this->*changed)();
  emit discoverCardChanged();
  updateVisible();
}

void SettingsModel::setShowsBasicOnly(bool on) {
  assignFilter(showsBasicOnly_, on, kShowsBasicOnly, &SettingsModel::showsBasicOnlyChanged);
}

void SettingsModel::setShowsRiskySettings(bool on) {
  assignFilter(showsRiskySettings_, on, kShowsRiskySettings, &SettingsModel::showsRiskySettingsChanged);
}

std::vector<const SettingDefinition*> SettingsModel::bySearch() {
  std::string query = trimmingHorizontalSpace(searchText_);
  if (query.empty()) {
    std::vector<const SettingDefinition*> members;
    if (const auto* group = selectedGroup())
      for (const auto& setting : group->settings) members.push_back(&setting);
    return members;
  }
  if (searchCache_ && sameText(searchCache_->first, query)) return searchCache_->second;
  auto found = searchIndex().find(query);
  searchCache_.emplace(std::move(query), found);
  return found;
}

void SettingsModel::updateVisible() {
  const auto candidates = bySearch();
  std::vector<const SettingDefinition*> visible;
  int riskHidden = 0;
  for (const auto* setting : candidates) {
    if (hiddenByRisk(*setting)) ++riskHidden;
    if (shownByFilters(*setting)) visible.push_back(setting);
  }
  if (visible != visible_) {
    visible_ = std::move(visible);
    visibleList_->setRows(visible_);
    emit visibleSettingsChanged();
  }
  if (riskHidden != hiddenByRisk_) {
    hiddenByRisk_ = riskHidden;
    emit hiddenByRiskCountChanged();
  }
}

bool SettingsModel::hiddenByRisk(const SettingDefinition& setting) const {
  return setting.risk == SettingRisk::weakensSecurity && !showsRiskySettings_;
}

bool SettingsModel::shownByFilters(const SettingDefinition& setting) const {
  if (hiddenByRisk(setting)) return false;
  return !showsBasicOnly_ || (setting.text && setting.text->level == SettingTextLevel::basic);
}

// ---- values and lookups ----

std::optional<PreferenceValue> SettingsModel::value(const SettingDefinition& setting) const {
  const auto found = values_.find(setting.id);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

const SettingDefinition* SettingsModel::setting(const std::string& id) const {
  const auto found = settingsByID_.find(id);
  return found == settingsByID_.end() ? nullptr : found->second;
}

std::optional<std::string> SettingsModel::groupName(const SettingDefinition& setting) const {
  // The model's own definition (every group shares it), else the model's setting of that id.
  auto found = groupOf_.find(&setting);
  if (found == groupOf_.end()) found = groupOf_.find(this->setting(setting.id));
  if (found == groupOf_.end()) return std::nullopt;
  return groups_[found->second].name;
}

void SettingsModel::refresh(const SettingDefinition& setting) {
  assignValue(setting, service_.currentValue(setting), service_.inUnreadableDomain({&setting}).front());
  emit valueChanged(QString::fromStdString(setting.id));
}

void SettingsModel::readAgain(const std::vector<const SettingDefinition*>& settings) {
  auto values = service_.currentValues(settings);
  const auto unreadable = service_.inUnreadableDomain(settings);
  for (std::size_t i = 0; i < settings.size(); ++i)
    if (assignValue(*settings[i], std::move(values[i]), unreadable[i]))
      emit valueChanged(QString::fromStdString(settings[i]->id));
}

bool SettingsModel::assignValue(const SettingDefinition& setting, std::optional<PreferenceValue> current,
                                bool unreadable) {
  const bool readabilityChanged = unreadable ? unreadable_.insert(setting.id).second : unreadable_.erase(setting.id) > 0;
  return assignValue(setting, std::move(current)) || readabilityChanged;
}

bool SettingsModel::assignValue(const SettingDefinition& setting, std::optional<PreferenceValue> current) {
  const auto found = values_.find(setting.id);
  // A setting at the macOS default shows as unset (Night Shift while off too).
  if (!countsAsSet(setting, current)) {
    if (found == values_.end()) return false;
    values_.erase(found);
    return true;
  }
  if (found != values_.end()) {
    if (found->second == *current) return false;
    found->second = std::move(*current);
    return true;
  }
  values_.emplace(setting.id, std::move(*current));
  return true;
}

void SettingsModel::refreshAll() {
  // Thousands of values are read again when the application comes to the front; the views only
  // hear of the few that moved (an unchanged value is already shown as it is). Read together, each
  // preference file is looked at once rather than once per setting.
  std::vector<const SettingDefinition*> settings;
  settings.reserve(editable_.size() + carried_.size());
  for (const auto* list : {&editable_, &carried_})
    for (const auto& setting : *list) settings.push_back(&setting);
  readAgain(settings);
}

// ---- tip of the day ----

std::set<std::string> SettingsModel::seenDiscoverCards() const {
  const auto stored = defaults_->stringsOfArray(kSeenDiscoverCards).value_or(std::vector<std::string>{});
  return {stored.begin(), stored.end()};
}

std::optional<DiscoverCard> SettingsModel::discoverCard() const {
  if (!deck_ || !trimmingHorizontalSpace(searchText_).empty() || !selection_.isGroup()) return std::nullopt;
  // The deck skips what is left out here; with nothing left it would start over, so the model
  // offers no card instead. A tip whose setting is not editable here is offered without "Show me".
  auto leftOut = seenDiscoverCards();
  bool anyLeft = false;
  for (const auto& card : deck_->cards()) {
    if (leftOut.contains(card.settingID)) continue;
    const auto* target = setting(card.settingID);
    if (target && !shownByFilters(*target))
      leftOut.insert(card.settingID);
    else
      anyLeft = true;
  }
  if (!anyLeft) return std::nullopt;
  return deck_->card(DiscoverDeck::dayNumber(clock_()), leftOut);
}

QVariantMap SettingsModel::discoverCardMap() const {
  const auto card = discoverCard();
  if (!card) return {};
  return {{"settingID", QString::fromStdString(card->settingID)},
          {"hook", QString::fromStdString(card->hook)},
          {"body", QString::fromStdString(card->body)}};
}

void SettingsModel::dismissDiscoverCard() {
  const auto card = discoverCard();
  if (!card) return;
  auto seen = seenDiscoverCards();
  seen.insert(card->settingID);
  remember([&](UserDefaults& d) { d.setStringArray({seen.begin(), seen.end()}, kSeenDiscoverCards); });
  // The next card replaces the dismissed one on screen at once.
  emit discoverCardChanged();
}

void SettingsModel::revealDiscoverCard() {
  const auto card = discoverCard();
  if (!card) return;
  const auto* target = setting(card->settingID);
  if (!target) return;
  const SettingDefinition revealed = *target;
  dismissDiscoverCard();
  for (const auto& group : groups_) {
    const bool holds = std::any_of(group.settings.begin(), group.settings.end(),
                                   [&](const SettingDefinition& member) { return member.id == revealed.id; });
    if (holds) {
      setSelection(SidebarSelection::group(group.id));
      break;
    }
  }
  setSearchText(QString::fromStdString(revealed.label));
}

// ---- applying, resetting, restarts, export ----

void SettingsModel::setLastError(std::optional<std::string> error) {
  const bool changed = error.has_value() != lastError_.has_value() || (error && !sameText(*error, *lastError_));
  lastError_ = std::move(error);
  if (changed) emit lastErrorChanged();
}

void SettingsModel::apply(const PreferenceValue& value, const SettingDefinition& setting) { write(setting, value); }

void SettingsModel::reset(const SettingDefinition& setting) { write(setting, std::nullopt); }

void SettingsModel::write(const SettingDefinition& setting, std::optional<PreferenceValue> value) {
  // A slider hands values faster than each can be read back: the latest of a setting wins.
  const auto queued = std::find_if(queued_.begin(), queued_.end(),
                                   [&](const QueuedWrite& write) { return write.setting.id == setting.id; });
  if (queued != queued_.end())
    queued->value = std::move(value);
  else
    queued_.push_back({setting, std::move(value)});
  // The write under way takes the queue on once it ends.
  if (progress_->isRunning()) return;
  while (!queued_.empty()) {
    const QueuedWrite next = std::move(queued_.front());
    queued_.erase(queued_.begin());
    writeNow(next.setting, next.value);
  }
}

void SettingsModel::writeNow(const SettingDefinition& setting, const std::optional<PreferenceValue>& value) {
  struct Written {
    std::optional<std::string> error;
    std::vector<std::string> restarts;
    bool recorded = false;
  };
  // The write and its read-back from outside (a child process) run off the main thread.
  const auto written = progress_->run(
      localized("Writing “%@”…", {QString::fromStdString(setting.label)}),
      [service = service_, setting, value, verifier = verifier_, intents = isDryRun_ ? std::nullopt : intents_] {
        Written done;
        try {
          done.restarts = value ? service.apply(*value, setting) : service.reset(setting);
        } catch (const std::exception& error) {
          done.error = error.what();
          return done;
        }
        done.recorded = intents && recordIfSeen(service, setting, value, *verifier, *intents);
        return done;
      });
  if (written.error) {
    setLastError(setting.label + ": " + *written.error);
    return;
  }
  setLastError(std::nullopt);
  if (written.recorded) onIntentRecorded_();
  refresh(setting);
  for (const auto& app : written.restarts) appendPendingRestart(app);
  // Practice mode writes to a store of its own, which no other model reads.
  if (notice_ && !isDryRun_) notice_->announce(Change{{setting.ref}, written.restarts, false}, this);
}

void SettingsModel::takeChange(const Change& change) {
  const auto roots = change.roots();
  std::vector<const SettingDefinition*> touched;
  for (const auto* list : {&editable_, &carried_})
    for (const auto& setting : *list)
      if (roots.contains(setting.ref.root())) touched.push_back(&setting);
  readAgain(touched);
  for (const auto& app : change.restartTargets) appendPendingRestart(app);
}

bool SettingsModel::recordIfSeen(const SettingsService& service, const SettingDefinition& setting,
                                 const std::optional<PreferenceValue>& value, const ExternalPreferenceReader& verifier,
                                 const IntentLog& intents) {
  const auto expected = stateLeftBy(setting, value);
  const auto seen = service.externallyVisibleValue(setting, verifier);
  const auto domain = service.resolver().resolve(setting.ref.domain, setting.ref.byHost);
  if (!matchesFromOutside(seen, expected, verifier, domain)) return false;
  try {
    intents.record(setting.id, expected);
  } catch (const HistoryWriteError& error) {
    // The value stands and is shared all the same; only the repair screen will not know of it.
    qCWarning(lcBrowser).noquote() << "A confirmed change of" << setting.id.c_str() << "is not recorded:" << error.what();
  }
  return true;
}

void SettingsModel::appendPendingRestart(const std::string& app) {
  const bool known = std::any_of(pendingRestarts_.begin(), pendingRestarts_.end(),
                                 [&](const QString& pending) { return sameText(pending.toStdString(), app); });
  if (known) return;
  pendingRestarts_.append(QString::fromStdString(app));
  emit pendingRestartsChanged();
}

void SettingsModel::restartPendingApps() {
  if (pendingRestarts_.isEmpty()) return;
  if (!isDryRun_) {
    std::vector<std::string> names;
    for (const auto& app : pendingRestarts_) names.push_back(app.toStdString());
    restartApps_(names);
  }
  pendingRestarts_.clear();
  emit pendingRestartsChanged();
}

std::optional<std::string> SettingsModel::command(const SettingDefinition& setting) const {
  const auto current = value(setting);
  auto line = current ? ShellCommand::write(setting, *current) : ShellCommand::deleteCommand(setting);
  if (line && holdsTerminalKeys(*line)) return std::nullopt;
  return line;
}

std::string SettingsModel::exportScript(double now) const {
  std::vector<ShellCommand::Item> items;
  for (const auto& setting : editable_) {
    if (setting.systemWritten) continue;
    if (auto current = value(setting)) items.push_back({setting, std::move(*current)});
  }
  return ShellCommand::script(items, now);
}

void SettingsModel::setOnIntentRecorded(std::function<void()> action) {
  onIntentRecorded_ = action ? std::move(action) : [] {};
}

std::shared_ptr<SettingsModel> SettingsModel::live(const ModelContext& context, const SettingsCatalog& catalog,
                                                   SettingsService service, IntentLog intents,
                                                   std::optional<DiscoverDeck> deck) {
  ThisMac mac{Version::current(), Version::currentApp(),
              [](const std::vector<std::string>& names) { AppRestarter::killall(names); }};
  return std::make_shared<SettingsModel>(context, catalog, std::move(service), std::move(intents), std::move(deck),
                                         std::move(mac));
}

}  // namespace amberloom::ui
