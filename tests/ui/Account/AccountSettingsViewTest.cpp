// The account page over an account of two Macs on the local account server: the address, the
// Macs with "this Mac" and when each was last seen, removing the other Mac, the question before
// deleting the account, signing out, and what is left to do while signed out. The page is saved
// in both palettes at the main window's width.

#include "Account/AccountTexts.hpp"
#include "AccountFixture.hpp"
#include "AccountServerProcess.hpp"
#include "PageDriver.hpp"
#include "ScreenGeometry.hpp"

using namespace amberloom;
using namespace amberloom::testing;

TEST(AccountSettingsView, listsTheMacsRemovesOneAsksBeforeDeletingAndOffersNothingSignedOut) {
  AccountServerProcess server;
  AccountMac mac;
  const auto client = AccountMac::client(server.apiBase());
  const auto session = server.signIn(client, "ada@example.com", "HW-THIS", "Studio");
  mac.store().save(session.token, "ada@example.com", session.deviceID, server.apiBase());
  const auto other = server.signIn(client, "ada@example.com", "HW-OTHER", "A laptop with a long name");
  auto model = mac.model(server.apiBase());

  PageDriver page("AccountSettingsScreen.qml", {980, 560}, {{"model", model.get()}});
  ASSERT_EVENTUALLY(model->devices().size() == 2u);
  EXPECT_EQ(page.item("address")->property("text").toString(), QStringLiteral("ada@example.com"));
  EXPECT_TRUE(page.shows("device-" + QString::fromStdString(session.deviceID)));
  renderInBothPalettes(testQml("AccountSettingsScreen.qml"), QStringLiteral("account-settings"), {980, 560},
                       {{"model", QVariant::fromValue<QObject*>(model.get())}});

  // Removing the other Mac asks nothing and loads the list again.
  page.click(page.item("device-" + QString::fromStdString(other.deviceID), "remove"));
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  EXPECT_TRUE(model->devices()[0].isThisMac);

  // "Delete account…" asks first; Cancel sends nothing.
  page.click(page.item("deleteAccount"));
  ASSERT_TRUE(page.popupOpens("deleteConfirmation"));
  page.clickInPopup("deleteConfirmation", "dialogCancel");
  QTest::qWait(200);
  EXPECT_EQ(model->state(), AccountModel::SignedIn);
  EXPECT_EQ(client.account(session.token).devices.size(), 1u);

  // Signed out: the address and every action that needs the account are gone.
  page.click(page.item("signOut"));
  EXPECT_EQ(model->state(), AccountModel::SignedOut);
  EXPECT_FALSE(page.shows("address"));
  EXPECT_FALSE(page.shows("remove"));
  EXPECT_FALSE(page.shows("signOut"));
  EXPECT_FALSE(page.shows("deleteAccount"));
  EXPECT_TRUE(page.shows("explanation"));
}

TEST(AccountSettingsView, aLongAddressAndNameStayWithinTheSettingsWindowsWidth) {
  AccountServerProcess server;
  AccountMac mac;
  const std::string address = std::string(76, 'a') + "@example.com";  // 88 characters, no space
  mac.name = std::string(250, 'S');
  const auto session = server.signIn(AccountMac::client(server.apiBase()), address, "HW-THIS", mac.name);
  mac.store().save(session.token, address, session.deviceID, server.apiBase());
  auto model = mac.model(server.apiBase());
  PageDriver page("AccountSettingsScreen.qml", {520, 560}, {{"model", model.get()}});
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  // This Mac's name is cut before the page lays it out.
  EXPECT_EQ(model->deviceList()[0].toMap()["name"].toString(), QString(50, 'S') + u'\u2026' + QString(50, 'S'));
  renderInBothPalettes(page.window(), QStringLiteral("account-settings-long-address"));
  expectInsideAndApart({page.item("address"), page.item("remove"), page.item("signOut"), page.item("deleteAccount")});
}

TEST(AccountSettingsView, lastSeenSaysHowLongAgoInTheLargestWholeUnit) {
  const double now = 800000000;
  const struct {
    double ago;
    const char* text;
  } cases[] = {{0, "last seen 0 seconds ago"},       {1, "last seen 1 second ago"},
               {59, "last seen 59 seconds ago"},     {3 * 3600 + 5, "last seen 3 hours ago"},
               {86400 * 9, "last seen 1 week ago"},  {86400 * 400, "last seen 1 year ago"},
               {-120, "last seen in 2 minutes"}};
  for (const auto& c : cases) EXPECT_EQ(ui::lastSeenText(now - c.ago, now), QString::fromUtf8(c.text));
}
