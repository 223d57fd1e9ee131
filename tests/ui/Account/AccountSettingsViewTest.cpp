// The account page over an account of two Macs on the local account server: the address, the
// Macs with "this Mac" and when each was last seen, removing the other Mac, the question before
// deleting the account, signing out, and what is left to do while signed out. The page is saved
// in both palettes at the main window's width.

#include <QQuickItem>

#include "Account/AccountTexts.hpp"
#include "AccountFixture.hpp"
#include "AccountServerProcess.hpp"
#include "ScreenWindow.hpp"

using namespace amberloom;
using namespace amberloom::testing;

namespace {

QQuickItem* find(QQuickItem* item, const QString& name) {
  if (item->objectName() == name) return item;
  for (auto* child : item->childItems())
    if (auto* found = find(child, name)) return found;
  return nullptr;
}

class AccountPage {
 public:
  explicit AccountPage(AccountModel& model) : window_(testQml("AccountSettingsScreen.qml"), {980, 560}) {
    window_.screen()->setProperty("model", QVariant::fromValue<QObject*>(&model));
  }
  QQuickItem* item(const QString& name) {
    if (auto* found = find(window_.window().contentItem(), name)) return found;
    throw std::runtime_error("no item named " + name.toStdString());
  }
  bool shows(const QString& name) {
    auto* found = find(window_.window().contentItem(), name);
    return found && found->isVisible();
  }
  QQuickItem* item(const QString& owner, const QString& name) {
    if (auto* found = find(item(owner), name)) return found;
    throw std::runtime_error("no item named " + name.toStdString() + " in " + owner.toStdString());
  }
  void click(const QQuickItem* target) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(target));
  }
  QObject* popup(const char* name) { return window_.screen()->findChild<QObject*>(name); }

 private:
  ScreenWindow window_;
};

}  // namespace

TEST(AccountSettingsView, listsTheMacsRemovesOneAsksBeforeDeletingAndOffersNothingSignedOut) {
  AccountServerProcess server;
  AccountMac mac;
  const auto client = AccountMac::client(server.apiBase());
  const auto session = server.signIn(client, "ada@example.com", "HW-THIS", "Studio");
  mac.store().save(session.token, "ada@example.com", session.deviceID);
  const auto other = server.signIn(client, "ada@example.com", "HW-OTHER", "A laptop with a long name");
  auto model = mac.model(server.apiBase());

  AccountPage page(*model);
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
  ASSERT_TRUE(QTest::qWaitFor([&] { return page.popup("deleteConfirmation")->property("opened").toBool(); }));
  page.click(page.popup("deleteConfirmation")->findChild<QQuickItem*>("dialogCancel"));
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
