// The sync model on two Macs signed into one local account server: publishing on one, fetching,
// comparing and copying on the other with read-back through the `defaults` command, undo points,
// automatic sync, practice mode and an offline Mac whose document waits and is sent later.

#include <QSignalSpy>
#include <filesystem>

#include "Preferences/PinnedSettings.hpp"
#include "SmallDisk.hpp"
#include "TwoMacs.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using V = PreferenceValue;

namespace {

std::vector<std::string> ids(const std::vector<SyncRow>& rows) {
  std::vector<std::string> result;
  for (const auto& row : rows) result.push_back(row.settingID);
  return result;
}

// The other Mac shares: autohide as here, tile size different, Finder's hidden files and title
// not set here; this Mac alone has "local".
void prepare(TwoMacs& macs) {
  macs.there.set("com.example.dock", "autohide", V::boolean(true));
  macs.there.set("com.example.dock", "tilesize", V::integer(64));
  macs.there.set("com.example.finder", "ShowHidden", V::boolean(true));
  macs.there.set("com.example.finder", "Title", V::string("Home"));
  macs.here.set("com.example.dock", "autohide", V::boolean(true));
  macs.here.set("com.example.dock", "tilesize", V::integer(36));
  macs.here.set("com.example.dock", "local", V::boolean(true));
  auto publisher = macs.there.model();
  await(*publisher, &SyncModel::publish);
  ASSERT_EQ(publisher->publishedPath(), SyncModel::sharedSentence) << publisher->lastError().value_or("");
}

}  // namespace

TEST(SyncModel, comparesAnotherMacCopiesTheTickedSettingsAndUndoesTheCopy) {
  TwoMacs macs;
  prepare(macs);
  // A third Mac of the account shares a document no Mac can read (its checksum is wrong).
  const auto third = macs.server.signIn(macs.here.client, "ada@example.com", "HW-C", "Garbled Mac");
  macs.here.client.putDocument(R"({"checksum":"0","deviceID":"C","intents":{},"schemaVersion":1})", 0, third.token,
                               "HW-C");
  auto model = macs.here.model();
  QAbstractItemModelTester macTester(model->macList());
  QAbstractItemModelTester rowTester(model->differenceList());
  await(*model, &SyncModel::refresh);

  ASSERT_EQ(model->others().size(), 1u);
  EXPECT_EQ(model->unreadable(), std::vector<std::string>{"Garbled Mac"});
  EXPECT_EQ(model->selectedDeviceID(), "MAC-B");
  EXPECT_TRUE(model->sharedAt().contains("MAC-B"));
  EXPECT_EQ(ids(model->actionableRows()), (std::vector<std::string>{"dock.tile", "finder.hidden", "finder.title",
                                                                     "dock.local"}));
  EXPECT_EQ(model->identicalCount(), 1);
  const auto* macs0 = model->macList();
  EXPECT_EQ(macs0->data(macs0->index(0, 0), ui::MacListModel::NameRole).toString(), QStringLiteral("Mac MAC-B"));
  EXPECT_EQ(macs0->data(macs0->index(0, 0), ui::MacListModel::DifferencesRole).toInt(), 4);
  EXPECT_EQ(macs0->data(macs0->index(0, 0), ui::MacListModel::FreshnessRole).toString(),
            QStringLiteral("shared today"));

  // Pinning a ticked setting takes its tick away and keeps it out of the differences.
  model->selectAll();
  EXPECT_EQ(model->selectedCount(), 4);
  model->togglePin(QStringLiteral("finder.hidden"));
  EXPECT_EQ(macs.here.defaults->stringArray(PinnedSettings::defaultsKey), std::vector<std::string>{"finder.hidden"});
  EXPECT_EQ(model->selectedIDs(), (std::set<std::string>{"dock.tile", "finder.title", "dock.local"}));
  EXPECT_EQ(model->actionableCount(), 3);

  // Copies what is ticked and can be copied; the onlyHere row gives no outcome.
  model->applySelected();
  ASSERT_TRUE(model->report());
  EXPECT_EQ(model->report()->appliedCount(), 2u);
  EXPECT_EQ(model->report()->total(), 2u);
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(64));
  EXPECT_EQ(macs.here.seen("com.example.finder", "Title"), V::string("Home"));
  EXPECT_EQ(macs.here.seen("com.example.finder", "ShowHidden"), std::nullopt) << "pinned: never written";
  EXPECT_TRUE(model->selectedIDs().empty());
  EXPECT_EQ(ids(model->actionableRows()), std::vector<std::string>{"dock.local"});
  EXPECT_EQ(macs.here.heard->size(), 1u);
  ASSERT_EQ(model->history().size(), 1u);
  EXPECT_EQ(model->history()[0].reason, "Before bringing 2 settings from Mac MAC-B");
  EXPECT_EQ(model->reportRow()[QStringLiteral("summary")].toString(), QStringLiteral("2 of 2 settings brought over"));

  // The undo point takes the copy back and refreshes.
  model->undo(model->history()[0]);
  EXPECT_FALSE(model->lastError()) << *model->lastError();
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(36));
  EXPECT_EQ(macs.here.seen("com.example.finder", "Title"), std::nullopt);
  EXPECT_EQ(macs.here.heard->size(), 2u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->actionableCount() == 3; }, 60000));
  ASSERT_EQ(model->history().size(), 2u) << "the undo point stays, the state before the undo beside it";
  EXPECT_EQ(model->history()[0].reason, "Before taking back: bringing 2 settings from Mac MAC-B");

  // Unpinning brings the row back; the next start reads the pins again.
  model->togglePin(QStringLiteral("finder.hidden"));
  EXPECT_EQ(model->actionableCount(), 4);
  EXPECT_EQ(macs.here.defaults->stringArray(PinnedSettings::defaultsKey), std::vector<std::string>{});
}

// The application asks for the first fetch itself, once its window has drawn.
TEST(SyncModel, aModelToldToWaitFetchesOnlyWhenAsked) {
  TwoMacs macs;
  prepare(macs);
  SyncModel model(macs.here.context(), macs.here.service(), macs.here.transport, nullptr,
                  SyncModel::FirstRefresh::whenAsked);
  QTest::qWait(300);
  EXPECT_TRUE(model.others().empty());
  await(model, &SyncModel::refresh);
  EXPECT_EQ(model.others().size(), 1u);
}

TEST(SyncModel, automaticSyncCopiesOnlyWhatThisMacLacks) {
  TwoMacs macs;
  prepare(macs);
  auto model = macs.here.model();
  EXPECT_FALSE(model->isAutoSyncOn());

  // Off: a sync sends this Mac's document and fetches, but copies nothing.
  await(*model, &SyncModel::syncNow);
  EXPECT_EQ(model->publishedPath(), SyncModel::sharedSentence);
  EXPECT_EQ(macs.here.seen("com.example.finder", "Title"), std::nullopt);
  EXPECT_EQ(macs.here.heard->size(), 0u);

  model->setAutoSyncOn(true);
  EXPECT_EQ(macs.here.defaults->boolValue(SyncModel::autoSyncKey), true);
  model->togglePin(QStringLiteral("finder.hidden"));
  await(*model, &SyncModel::syncNow);
  EXPECT_EQ(model->autoAppliedCount(), 1) << "the pinned setting and the differing one stay";
  EXPECT_EQ(macs.here.seen("com.example.finder", "Title"), V::string("Home"));
  EXPECT_EQ(macs.here.seen("com.example.finder", "ShowHidden"), std::nullopt);
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(36));
  EXPECT_EQ(macs.here.heard->size(), 1u);
  ASSERT_EQ(model->history().size(), 1u) << "the automatic copy stores its undo point too";
  EXPECT_TRUE(model->history()[0].reason.starts_with("Before bringing 1 settings from ")) << model->history()[0].reason;

  // Nothing left to copy: the count goes back to 0 and nothing is called.
  await(*model, &SyncModel::applyNonConflicting);
  EXPECT_EQ(model->autoAppliedCount(), 0);
  EXPECT_EQ(macs.here.heard->size(), 1u);
  EXPECT_EQ(macs.here.model()->isAutoSyncOn(), true) << "read back at the next start";
}

TEST(SyncModel, anOfflineMacKeepsItsDocumentAndSendsItWhenBackOnline) {
  TwoMacs macs;
  prepare(macs);
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);
  ASSERT_EQ(model->others().size(), 1u);

  macs.here.http->offline = true;
  await(*model, &SyncModel::publish);
  EXPECT_TRUE(model->isWaitingToSend());
  EXPECT_FALSE(model->publishedPath());
  ASSERT_TRUE(model->lastError());
  EXPECT_TRUE(model->lastError()->ends_with(SyncModel::queuedSuffix)) << *model->lastError();
  EXPECT_TRUE(fileExists(macs.here.transport->pendingPath()));

  // A failed fetch keeps what was shown and words the failure.
  await(*model, &SyncModel::refresh);
  EXPECT_EQ(model->lastError(),
            "There seems to be no internet connection. Your settings keep working on this Mac.");
  EXPECT_EQ(model->others().size(), 1u);
  EXPECT_EQ(model->actionableCount(), 4);
  EXPECT_TRUE(model->isWaitingToSend());

  // Back online, the next refresh sends the waiting document first.
  macs.here.http->offline = false;
  await(*model, &SyncModel::refresh);
  EXPECT_FALSE(model->lastError());
  EXPECT_FALSE(model->isWaitingToSend());
  auto other = macs.there.model();
  await(*other, &SyncModel::refresh);
  ASSERT_EQ(other->others().size(), 1u);
  EXPECT_EQ(other->others()[0].deviceID, "MAC-A");
}

// A refused upload says what it waits for, promises no sync that will not send it, and stays shown
// through fetches until an upload goes through.
TEST(SyncModel, aRefusedUploadStaysShownUntilAnUploadSucceedsAndPromisesOnlyWhatWillHappen) {
  TwoMacs macs;
  prepare(macs);
  auto model = macs.here.model();
  const struct {
    long status; const char* code; std::string suffix; bool needsRoom, waits;
  } refusals[] = {
      {413, "account_full", SyncModel::roomSuffix, true, true},
      {413, "too_large", SyncModel::tooLargeSuffix, false, false},
      {429, "busy", SyncModel::retrySuffix, false, true},
      {503, "unavailable", SyncModel::retrySuffix, false, true},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.code);
    macs.here.http->refusalCode = refusal.code;
    macs.here.http->refusal = refusal.status;
    await(*model, &SyncModel::syncNow);
    ASSERT_TRUE(model->lastError());
    const std::string shown = *model->lastError();
    EXPECT_TRUE(shown.ends_with(refusal.suffix)) << shown;
    EXPECT_EQ(model->sendNeedsRoom(), refusal.needsRoom);
    EXPECT_EQ(model->isWaitingToSend(), refusal.waits);
    await(*model, &SyncModel::refresh);
    EXPECT_EQ(model->lastError(), shown) << "a fetch that goes through wipes no upload's failure";
    macs.here.http->refusal = 0;
    await(*model, &SyncModel::syncNow);
    EXPECT_FALSE(model->lastError()) << *model->lastError();
  }
}

// Application Support turned read-only: a document that cannot be sent now cannot wait either, and
// the page must not promise that it will reach the other Macs.
TEST(SyncModel, aDocumentThatCannotBeKeptIsNotPromisedToTheOtherMacs) {
  TwoMacs macs;
  SmallDisk support(home() + "/Support", 1 << 20);
  if (!support.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
  support.setReadOnly(true);
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);
  macs.here.http->offline = true;
  await(*model, &SyncModel::publish);
  ASSERT_TRUE(model->lastError());
  EXPECT_TRUE(model->lastError()->starts_with("No internet connection. This Mac's settings could not be kept to be "
                                              "sent later either"))
      << *model->lastError();
  EXPECT_FALSE(model->lastError()->ends_with(SyncModel::queuedSuffix));
  EXPECT_FALSE(model->isWaitingToSend());
  EXPECT_FALSE(fileExists(macs.here.transport->pendingPath()));
}

// Two other Macs cloned from one disk share a device id: both are listed, and either can be chosen.
TEST(SyncModel, twoMacsSharingADeviceIDAreListedApartAndEitherCanBeChosen) {
  TwoMacs macs;
  prepare(macs);
  SyncMac twin{macs.server, home() + "/twin-mac", "MAC-B",
               std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(home() + "/twin-mac", "HOST-T"))};
  twin.set("com.example.dock", "tilesize", V::integer(16));
  await(*twin.model(), &SyncModel::publish);

  auto model = macs.here.model();
  QAbstractItemModelTester macTester(model->macList());
  await(*model, &SyncModel::refresh);
  ASSERT_EQ(model->others().size(), 2u);
  EXPECT_EQ(model->sources(), (std::vector<std::string>{macs.there.session.deviceID, twin.session.deviceID}));
  const auto* list = model->macList();
  ASSERT_EQ(list->rowCount(), 2);
  const auto row = [&](int i, int role) { return list->data(list->index(i, 0), role); };
  model->selectDevice(row(1, ui::MacListModel::DeviceIDRole).toString());
  EXPECT_FALSE(row(0, ui::MacListModel::IsSelectedRole).toBool());
  EXPECT_TRUE(row(1, ui::MacListModel::IsSelectedRole).toBool());
  const auto rows = model->rows();
  const auto tile = std::find_if(rows.begin(), rows.end(), [](const SyncRow& r) { return r.settingID == "dock.tile"; });
  ASSERT_NE(tile, rows.end());
  EXPECT_EQ(tile->difference, SyncDifference::differs(V::integer(36), V::integer(16))) << "the twin's value, not the first Mac's";
}

TEST(SyncModel, practiceModeSendsWritesAndTakesBackNothing) {
  TwoMacs macs;
  prepare(macs);
  auto model = macs.here.model(true);
  await(*model, &SyncModel::refresh);
  ASSERT_EQ(model->actionableCount(), 4) << "fetching goes on in practice mode";

  await(*model, &SyncModel::publish);
  EXPECT_EQ(model->publishedPath(), SyncModel::practicePublish);
  EXPECT_FALSE(model->isWaitingToSend());
  auto other = macs.there.model();
  await(*other, &SyncModel::refresh);
  EXPECT_TRUE(other->others().empty()) << "nothing reached the server";

  model->setTicked(QStringLiteral("dock.tile"), true);
  model->setTicked(QStringLiteral("finder.title"), true);
  model->applySelected();
  ASSERT_TRUE(model->report());
  EXPECT_EQ(model->report()->outcomes,
            (std::vector<WriteOutcome>{{"dock.tile", false, "kuru kosum"}, {"finder.title", false, "kuru kosum"}}));
  EXPECT_EQ(model->selectedCount(), 2) << "the ticks stay";

  model->setAutoSyncOn(true);
  await(*model, &SyncModel::applyNonConflicting);
  EXPECT_EQ(model->autoAppliedCount(), 0);
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(36));
  EXPECT_EQ(macs.here.seen("com.example.finder", "Title"), std::nullopt);
  EXPECT_EQ(macs.here.heard->size(), 0u);
  EXPECT_TRUE(model->history().empty());
}

TEST(SyncModel, emptyBatchesStoreNoUndoPointAndALostUndoPointIsReported) {
  TwoMacs macs;
  prepare(macs);
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);

  // Only a row this Mac alone has: nothing to copy, nothing to go back to.
  model->setTicked(QStringLiteral("dock.local"), true);
  model->applySelected();
  ASSERT_TRUE(model->report());
  EXPECT_EQ(model->report()->total(), 0u);
  EXPECT_TRUE(model->history().empty());
  EXPECT_FALSE(fileExists(macs.here.historyFolder()));
  EXPECT_FALSE(model->lastError());

  // The undo-point folder cannot be made: nothing is copied until the user agrees; then the copy
  // stands, and the user is told.
  writeFile(macs.here.historyFolder(), "not a folder");
  model->setTicked(QStringLiteral("dock.tile"), true);
  const auto before = macs.here.seen("com.example.dock", "tilesize");
  model->applySelected();
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), before);
  ASSERT_TRUE(model->wayBackQuestion()->isAsking());
  model->wayBackQuestion()->agree();
  EXPECT_EQ(macs.here.seen("com.example.dock", "tilesize"), V::integer(64));
  ASSERT_TRUE(model->lastError());
  EXPECT_TRUE(model->lastError()->starts_with("The undo point could not be saved to disk (")) << *model->lastError();
  EXPECT_TRUE(model->history().empty());

  // The preferences' disk is full as well: nothing is copied, and nothing says it was.
  SmallDisk preferences(home() + "/Library/Preferences", 1 << 20);
  if (!preferences.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
  preferences.fill();
  model->setTicked(QStringLiteral("finder.title"), true);
  model->applySelected();
  ASSERT_TRUE(model->wayBackQuestion()->isAsking());
  model->wayBackQuestion()->agree();
  ASSERT_TRUE(model->report());
  EXPECT_EQ(model->report()->appliedCount(), 0u);
  EXPECT_EQ(model->report()->failed().size(), 1u);
  ASSERT_TRUE(model->lastError());
  EXPECT_TRUE(model->lastError()->starts_with("The undo point could not be saved to disk (")) << *model->lastError();
}

TEST(SyncModel, myMacsFollowsTheAccountSignedInAndKeepsTicksOnlyWhileTheirCardsShow) {
  TwoMacs macs;
  prepare(macs);
  // This Mac starts signed out; the session is whatever the account model stored last.
  auto session = std::make_shared<std::optional<AccountClient::Session>>();
  auto transport = std::make_shared<ServerSync>(macs.here.client, [session] { return *session; }, macs.here.defaults,
                                                "HW-MAC-A", macs.here.home + "/Support/pending-sync.json");
  SyncModel model(macs.here.context(), macs.here.service(), transport);
  model.setAccount(std::nullopt);
  await(model, &SyncModel::refresh);
  EXPECT_TRUE(model.others().empty());

  *session = macs.here.session;
  model.setAccount("ada@example.com");
  ASSERT_TRUE(QTest::qWaitFor([&] { return model.others().size() == 1; }, 60000)) << "the first sign-in fetches";

  // A ticked difference that this Mac now shares is no card, so it keeps no tick.
  model.setTicked(QStringLiteral("dock.tile"), true);
  model.setTicked(QStringLiteral("finder.title"), true);
  macs.here.set("com.example.dock", "tilesize", V::integer(64));
  await(model, &SyncModel::refresh);
  EXPECT_EQ(model.selectedIDs(), std::set<std::string>{"finder.title"});
  EXPECT_EQ(model.selectedCount(), 1);

  // Leaving the account forgets its Macs at once, and a fetch under way (its session still valid
  // on the server) brings nothing back.
  bool back = false;
  model.refresh([&] { back = true; });
  model.setAccount(std::nullopt);
  const auto forgotten = [&] {
    EXPECT_TRUE(model.others().empty());
    EXPECT_TRUE(model.rows().empty());
    EXPECT_TRUE(model.selectedIDs().empty());
    EXPECT_EQ(model.selectedDeviceID(), std::nullopt);
    EXPECT_EQ(model.macList()->rowCount(), 0);
    EXPECT_EQ(model.differenceList()->rowCount(), 0);
  };
  forgotten();
  ASSERT_TRUE(QTest::qWaitFor([&] { return back; }, 60000));
  forgotten();
  *session = std::nullopt;

  // Another account of this Mac has no other Macs.
  *session = macs.server.signIn(macs.here.client, "bob@example.com", "HW-MAC-A", "Mac MAC-A");
  model.setAccount("bob@example.com");
  await(model, &SyncModel::refresh);
  forgotten();
}

namespace {

// This Mac's tile size as the server holds its document.
std::optional<V> tileOnServer(const TwoMacs& macs) {
  for (const auto& record : macs.there.client.documents(macs.there.session.token))
    if (record.deviceID == macs.here.session.deviceID) {
      const auto document = SyncDocument::fromData(record.payload);
      const auto found = document.intents.find("dock.tile");
      if (found != document.intents.end()) return found->second;
    }
  return std::nullopt;
}

}  // namespace

// This Mac's older values wait in the pending file when Application Support turns read-only; the
// newer ones go out and the server keeps them: neither a refresh, nor "Sync now", nor the next
// start sends the older ones again, and the page stops saying that something waits.
TEST(SyncModel, aStalePendingDocumentNeverReplacesTheNewerOneOnTheServer) {
  TwoMacs macs;
  SmallDisk support(home() + "/Support", 1 << 20);
  if (!support.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
  macs.here.set("com.example.dock", "tilesize", V::integer(32));
  auto model = macs.here.model();
  await(*model, &SyncModel::refresh);
  macs.here.http->offline = true;
  await(*model, &SyncModel::publish);
  ASSERT_TRUE(model->isWaitingToSend());

  support.setReadOnly(true);
  macs.here.http->offline = false;
  macs.here.set("com.example.dock", "tilesize", V::integer(64));
  await(*model, &SyncModel::publish);
  EXPECT_EQ(model->publishedPath(), SyncModel::sharedSentence) << model->lastError().value_or("");
  EXPECT_TRUE(fileExists(macs.here.transport->pendingPath())) << "the older document cannot be removed";
  using Operation = void (SyncModel::*)(std::function<void()>);
  for (const Operation operation : {Operation(&SyncModel::refresh), Operation(&SyncModel::syncNow)}) {
    await(*model, operation);
    EXPECT_FALSE(model->isWaitingToSend());
    EXPECT_EQ(tileOnServer(macs), V::integer(64));
  }

  // The next start of the application, with its own server-sync object over the same files.
  macs.here.transport = std::make_shared<ServerSync>(
      macs.here.client, [s = macs.here.session] { return std::optional(s); }, macs.here.defaults,
      "HW-" + macs.here.deviceID, macs.here.transport->pendingPath());
  auto restarted = macs.here.model();
  await(*restarted, &SyncModel::refresh);
  EXPECT_FALSE(restarted->isWaitingToSend());
  EXPECT_EQ(tileOnServer(macs), V::integer(64));
}
