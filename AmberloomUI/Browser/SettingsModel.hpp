#pragma once
// The settings browser's one observable model: the editable settings in sidebar groups, the
// carried settings, their current values, the sidebar selection, the search text and the two list
// filters, the app restarts that changes wait for, the last error and the tip of the day.
//
// Observation: a property's signal fires only when an assignment changes its value; actions
// (refreshing a value, dismissing the tip) always fire theirs. The selection and the two filters
// are written to the application preferences on every assignment, changed or not. Main thread
// only. Nothing here throws: failures end up in `lastError` or are dropped as described.

#include <QAbstractItemModel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Browser/SidebarSelection.hpp"
#include "Catalog/DiscoverDeck.hpp"
#include "Catalog/SettingGroup.hpp"
#include "Catalog/SettingList.hpp"
#include "Catalog/SettingSearchIndex.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Preferences/Version.hpp"

namespace amberloom::ui {

class SettingGroupListModel;
class SettingListModel;

class SettingsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("SettingsModel is built once by the application")
  Q_PROPERTY(QString selectedPage READ selectedPage NOTIFY selectionChanged)
  Q_PROPERTY(QString selectedGroupID READ selectedGroupIDText NOTIFY selectionChanged)
  Q_PROPERTY(QString selectedGroupName READ selectedGroupName NOTIFY selectionChanged)
  Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
  Q_PROPERTY(bool showsBasicOnly READ showsBasicOnly WRITE setShowsBasicOnly NOTIFY showsBasicOnlyChanged)
  Q_PROPERTY(bool showsRiskySettings READ showsRiskySettings WRITE setShowsRiskySettings NOTIFY showsRiskySettingsChanged)
  Q_PROPERTY(QStringList pendingRestarts READ pendingRestarts NOTIFY pendingRestartsChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
  Q_PROPERTY(bool hasLastError READ hasLastError NOTIFY lastErrorChanged)
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(int editableCount READ editableCount CONSTANT)
  Q_PROPERTY(int carriedCount READ carriedCount CONSTANT)
  Q_PROPERTY(QVariantMap discoverCard READ discoverCardMap NOTIFY discoverCardChanged)
  Q_PROPERTY(int hiddenByRiskCount READ hiddenByRiskCount NOTIFY hiddenByRiskCountChanged)
  Q_PROPERTY(QAbstractItemModel* groups READ groupList CONSTANT)
  Q_PROPERTY(QAbstractItemModel* visibleSettings READ visibleSettingList CONSTANT)
  Q_PROPERTY(QAbstractItemModel* carriedSettings READ carriedSettingList CONSTANT)

 public:
  using RestartApps = std::function<void(const std::vector<std::string>& names)>;
  using Clock = ModelContext::Clock;

  // The Mac the model runs on: the system and application versions that decide which settings
  // apply, and what restarts apps (the application passes AppRestarter::killall).
  struct ThisMac {
    Version os;
    Version app;
    RestartApps restartApps;  // called with the whole restart list
  };

  // Builds the model over the catalogue's settings usable with `mac`'s versions, restores the
  // selection and the filters from the context's preferences (writing "showsBasicOnly" back) and
  // reads every value. `intents` absent records nothing; `deck` absent shows no tip; the context's
  // clock picks the tip of the day. Every change made here is announced on the context's notice; a
  // change announced there by others is read again here and its apps join the restart list.
  SettingsModel(const ModelContext& context, const SettingsCatalog& catalog, SettingsService service,
                std::optional<IntentLog> intents, std::optional<DiscoverDeck> deck, ThisMac mac,
                QObject* parent = nullptr);
  // This Mac's versions, apps restarted by AppRestarter::killall.
  static std::shared_ptr<SettingsModel> live(const ModelContext& context, const SettingsCatalog& catalog,
                                             SettingsService service, IntentLog intents, std::optional<DiscoverDeck> deck);
  ~SettingsModel() override;

  // ---- fixed at construction ----
  const std::vector<SettingGroup>& groups() const { return groups_; }
  // The editable settings usable on this Mac, in catalogue order.
  const SettingList& editableSettings() const { return editable_; }
  // The carried settings, by label in the user's locale (equal labels in catalogue order).
  const SettingList& carriedSettings() const { return carried_; }
  bool isDryRun() const { return isDryRun_; }
  int editableCount() const { return static_cast<int>(editable_.size()); }
  int carriedCount() const { return static_cast<int>(carried_.size()); }
  const SettingsService& service() const { return service_; }

  // ---- selection ----
  const SidebarSelection& selection() const { return selection_; }
  // Stores the selection (notifying only when it differs) and writes "lastSelectedGroup".
  void setSelection(const SidebarSelection& selection);
  Q_INVOKABLE void selectGroup(const QString& groupID) { setSelection(SidebarSelection::group(groupID.toStdString())); }
  // Selects the page named as `selectedPage` names pages ("carried", "account", ...); "group" or
  // an unknown name changes nothing and gives false.
  Q_INVOKABLE bool selectPage(const QString& name);
  QString selectedPage() const { return SidebarSelection::pageName(selection_.kind()); }
  // The selected group id, also one that names no group; none while a page is selected.
  std::optional<std::string> selectedGroupID() const;
  QString selectedGroupIDText() const { return QString::fromStdString(selection_.groupID()); }
  // The first group whose id is the selected one; null while a page or an unknown id is selected.
  const SettingGroup* selectedGroup() const;
  QString selectedGroupName() const;

  // ---- search and filters ----
  QString searchText() const { return QString::fromStdString(searchText_); }
  void setSearchText(const QString& text);
  bool showsBasicOnly() const { return showsBasicOnly_; }
  void setShowsBasicOnly(bool on);  // writes "showsBasicOnly" on every call
  bool showsRiskySettings() const { return showsRiskySettings_; }
  void setShowsRiskySettings(bool on);  // writes "showsRiskySettings" on every call
  // The cards to show: the search result over every group while the trimmed search text is not
  // empty, else the selected group's settings; then without the settings that weaken security
  // (unless shown) and, with basic-only on, without those not of level basic.
  const std::vector<const SettingDefinition*>& visibleSettings() const { return visible_; }
  // How many settings of the group or search the risk filter hides (0 while risky ones show).
  int hiddenByRiskCount() const { return hiddenByRisk_; }

  // ---- values and lookups ----
  std::optional<PreferenceValue> value(const SettingDefinition& setting) const;
  // Whether the setting's value cannot be read, its domain's file being damaged: unknown, not
  // unset. Read with the value.
  bool isUnreadable(const SettingDefinition& setting) const { return unreadable_.contains(setting.id); }
  // The editable setting with this id; carried settings are not found.
  const SettingDefinition* setting(const std::string& id) const;
  // The name of the first group holding a setting with this id. A setting of `groups()` itself, as
  // every listed row is, is found at once by where it lies.
  std::optional<std::string> groupName(const SettingDefinition& setting) const;
  // Re-reads one value through the service; always announces it with valueChanged.
  void refresh(const SettingDefinition& setting);
  // Re-reads every editable and every carried setting; announces only the values that changed.
  Q_INVOKABLE void refreshAll();

  // ---- tip of the day ----
  // None without a deck, while the trimmed search text is not empty, or while a page is selected;
  // otherwise the deck's card for today among the cards not in "seenDiscoverCards" whose setting
  // the filters show (a tip leading to a hidden setting would find nothing). None once no such
  // card is left: a hidden tip stays hidden.
  std::optional<DiscoverCard> discoverCard() const;
  QVariantMap discoverCardMap() const;  // settingID, hook, body; empty when there is none
  // Adds the card's setting to "seenDiscoverCards" (sorted, no repeats) and announces the change.
  Q_INVOKABLE void dismissDiscoverCard();
  // Dismisses the card, selects the group of its setting and searches for the setting's label.
  // Does nothing when the card's setting is not editable here.
  Q_INVOKABLE void revealDiscoverCard();

  // ---- applying, resetting, restarts, export ----
  // Writes `value` through the service. On failure `lastError` becomes "<label>: <error>" and
  // nothing else happens; on success the error clears, the change is read back from outside and
  // recorded when seen (not in practice mode), the value is re-read and the apps to restart are
  // added to `pendingRestarts`. The write and its read-back run on a thread of their own meanwhile
  // (see WorkInProgress); a write asked for until then waits its turn, the latest of a setting
  // replacing the one before.
  void apply(const PreferenceValue& value, const SettingDefinition& setting);
  // The same for removing the user's value (Night Shift: switching it off).
  void reset(const SettingDefinition& setting);
  QStringList pendingRestarts() const { return pendingRestarts_; }
  // Restarts the pending apps at once (not in practice mode) and empties the list.
  Q_INVOKABLE void restartPendingApps();
  std::optional<std::string> lastError() const { return lastError_; }
  QString lastErrorText() const { return QString::fromStdString(lastError_.value_or("")); }
  bool hasLastError() const { return lastError_.has_value(); }
  // The one-line `defaults` command that writes the current value, or deletes the setting when it
  // is unset; none when no one-line command exists, or when the command holds a character that a
  // terminal it is pasted into would take as a key (a control character other than tab and line
  // breaks).
  std::optional<std::string> command(const SettingDefinition& setting) const;
  // The shell script of every editable setting that has a value and is not written by the system.
  std::string exportScript(double now) const;

  // Run after a change was confirmed from outside and recorded.
  void setOnIntentRecorded(std::function<void()> action);

  QAbstractItemModel* groupList() const;
  QAbstractItemModel* visibleSettingList() const;
  QAbstractItemModel* carriedSettingList() const;

 signals:
  void selectionChanged();
  void searchTextChanged();
  void showsBasicOnlyChanged();
  void showsRiskySettingsChanged();
  void pendingRestartsChanged();
  void lastErrorChanged();
  void discoverCardChanged();
  void hiddenByRiskCountChanged();
  void visibleSettingsChanged();
  // A value was read again (also when it stayed the same).
  void valueChanged(const QString& settingID);

 private:
  // Stores a filter flag and its preference; tells observers and lists again only on a change.
  void assignFilter(bool& filter, bool on, const char* key, void (SettingsModel::*changed)());
  void setLastError(std::optional<std::string> error);
  // Queues the write of `value` (none: a reset), then writes the queue out unless a write is under way.
  void write(const SettingDefinition& setting, std::optional<PreferenceValue> value);
  void writeNow(const SettingDefinition& setting, const std::optional<PreferenceValue>& value);
  // Reads the setting back from outside and records the state `value` leaves when another process
  // sees it; whether it does (a change history that cannot be saved is only logged). Off the main
  // thread.
  static bool recordIfSeen(const SettingsService& service, const SettingDefinition& setting,
                           const std::optional<PreferenceValue>& value, const ExternalPreferenceReader& verifier,
                           const IntentLog& intents);
  // Reads again the settings another model wrote and adds the apps they need restarted.
  void takeChange(const Change& change);
  void appendPendingRestart(const std::string& app);
  // Works the visible list and the hidden count out again after the search or a filter changed.
  void updateVisible();
  bool hiddenByRisk(const SettingDefinition& setting) const;
  // Neither the risk filter nor the basic-only filter hides it.
  bool shownByFilters(const SettingDefinition& setting) const;
  std::vector<const SettingDefinition*> bySearch();
  void remember(const std::function<void(UserDefaults&)>& write);
  // Reads the settings' values, and whether their domains can be read, again; announces with
  // valueChanged those that changed.
  void readAgain(const std::vector<const SettingDefinition*>& settings);
  // Holds `current` as the setting's value and whether it can be read; true when either differs
  // from what is held.
  bool assignValue(const SettingDefinition& setting, std::optional<PreferenceValue> current, bool unreadable);
  bool assignValue(const SettingDefinition& setting, std::optional<PreferenceValue> current);
  std::set<std::string> seenDiscoverCards() const;

  // Both share the catalogue's definitions, as the groups share them with these.
  SettingList editable_;
  SettingList carried_;
  std::vector<SettingGroup> groups_;
  std::unordered_map<std::string, const SettingDefinition*> settingsByID_;
  // Each editable setting's group, by place in `groups_`: a search's rows each name theirs.
  std::unordered_map<const SettingDefinition*, std::size_t> groupOf_;
  bool isDryRun_;
  SettingsService service_;
  UserDefaultsRef defaults_;
  std::optional<IntentLog> intents_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  std::optional<DiscoverDeck> deck_;
  RestartApps restartApps_;
  ChangeNoticeRef notice_;
  std::function<void()> onIntentRecorded_ = [] {};
  Clock clock_;

  SidebarSelection selection_ = SidebarSelection::page(SidebarSelection::Page::myMacs);
  std::string searchText_;
  bool showsBasicOnly_ = false;
  bool showsRiskySettings_ = false;
  QStringList pendingRestarts_;
  std::optional<std::string> lastError_;
  std::unordered_map<std::string, PreferenceValue> values_;
  std::unordered_set<std::string> unreadable_;
  // Writes asked for while one is under way, in order, each setting once.
  struct QueuedWrite {
    SettingDefinition setting;
    std::optional<PreferenceValue> value;  // none: a reset
  };
  std::vector<QueuedWrite> queued_;
  WorkInProgress* progress_;

  // Over groups_: built on a worker from the start, and waited for by the first search that
  // comes before it is done.
  const SettingSearchIndex& searchIndex();
  std::future<std::unique_ptr<SettingSearchIndex>> indexBuilding_;
  std::unique_ptr<SettingSearchIndex> searchIndex_;
  std::optional<std::pair<std::string, std::vector<const SettingDefinition*>>> searchCache_;
  std::vector<const SettingDefinition*> visible_;
  int hiddenByRisk_ = 0;

  SettingGroupListModel* groupList_;
  SettingListModel* visibleList_;
  SettingListModel* carriedList_;
};

}  // namespace amberloom::ui
