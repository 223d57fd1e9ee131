// The sign-in page as a user meets it: typing an address, sending, waiting for the link, giving
// up the wait, being signed in; and its faces drawn in both palettes at the main window's width.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "Account/AccountModel.hpp"
#include "AccountServerProcess.hpp"
#include "MemoryUserDefaults.hpp"
#include "Platform/SecretStore.hpp"
#include "ScreenWindow.hpp"
#include "ScriptedServer.hpp"
#include "Support/HttpSession.hpp"
#include "TestHome.hpp"

using amberloom::AccountClient;
using amberloom::AccountStore;
using amberloom::testing::AccountServerProcess;
using amberloom::testing::ScreenWindow;
using amberloom::testing::ScriptedServer;
using amberloom::testing::testQml;
using amberloom::ui::AccountModel;

namespace {

#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return (condition); }, 10000)) << #condition

const QSize mainWindow{980, 640};

struct Page {
  std::shared_ptr<amberloom::testing::MemoryUserDefaults> defaults =
      std::make_shared<amberloom::testing::MemoryUserDefaults>();
  AccountStore store{"tv.winterbrae.amberloom", "device-token", defaults,
                     std::make_shared<amberloom::platform::FileSecretStore>(amberloom::testing::home() + "/keys")};

  std::unique_ptr<AccountModel> model(const std::string& base, std::chrono::milliseconds pollInterval) const {
    return std::make_unique<AccountModel>(AccountClient(base, std::make_shared<amberloom::CurlHttpSession>()), store,
                                          "Test Mac", "HW-THIS",
                                          AccountModel::Timing{pollInterval, std::chrono::minutes(15)});
  }
  static QVariantMap properties(AccountModel& model) { return {{"account", QVariant::fromValue(&model)}}; }
};

// The face on show, by the object name of its root.
QQuickItem* face(ScreenWindow& window) { return window.item("face")->property("item").value<QQuickItem*>(); }
QString faceName(ScreenWindow& window) { return face(window) ? face(window)->objectName() : QString(); }
void typeText(ScreenWindow& window, const char* text) {
  for (; *text; ++text) QTest::keyClick(&window.window(), *text);
}
QString textOf(ScreenWindow& window, const char* name) { return window.item(name)->property("text").toString(); }

}  // namespace

TEST(SignInView, takesTheAddressWaitsForTheLinkAndShowsTheAccount) {
  AccountServerProcess server;
  Page page;
  auto model = page.model(server.apiBase(), std::chrono::milliseconds(40));
  ScreenWindow window(testQml("SignInScreen.qml"), mainWindow, ScreenWindow::Palette::FromScheme,
                      Page::properties(*model));
  ASSERT_EQ(faceName(window), QStringLiteral("signInForm"));
  EXPECT_TRUE(window.item("addressField")->hasActiveFocus()) << "the cursor starts in the field";

  // An incomplete address is answered under the field.
  typeText(window, "ada");
  QTest::keyClick(&window.window(), Qt::Key_Return);
  EXPECT_EQ(textOf(window, "message"), AccountModel::incompleteAddress);
  EXPECT_TRUE(window.item("errorLine")->isVisible());

  typeText(window, "@Example.COM ");
  EXPECT_EQ(model->email(), QStringLiteral("ada@Example.COM "));
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(window.item("sendButton")));
  ASSERT_EVENTUALLY(faceName(window) == QStringLiteral("waitingFace"));
  EXPECT_TRUE(textOf(window, "waitingExplanation").contains(QStringLiteral("ada@example.com. Open it and press <b>")));

  // Giving up brings the form back with the address still typed and the cursor in it; sending
  // again starts a new wait, and the link of that one signs in.
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(window.item("differentAddress")));
  ASSERT_EQ(faceName(window), QStringLiteral("signInForm"));
  EXPECT_EQ(window.item("addressField")->property("text").toString(), QStringLiteral("ada@Example.COM "));
  EXPECT_TRUE(window.item("addressField")->hasActiveFocus());
  EXPECT_FALSE(window.item("errorLine")->isVisible());
  QTest::keyClick(&window.window(), Qt::Key_Return);
  ASSERT_EVENTUALLY(faceName(window) == QStringLiteral("waitingFace"));

  amberloom::testing::httpGet(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(faceName(window) == QStringLiteral("signedInFace"));
  EXPECT_EQ(textOf(window, "signedInAddress"), QStringLiteral("ada@example.com"));
}

TEST(SignInView, whileSendingNeitherTheFieldNorTheButtonTakesInput) {
  ScriptedServer server;
  server.answer({200, "", true});
  Page page;
  auto model = page.model(server.url("/api/v1"), std::chrono::seconds(2));
  ScreenWindow window(testQml("SignInScreen.qml"), mainWindow, ScreenWindow::Palette::FromScheme,
                      Page::properties(*model));
  typeText(window, "ada@example.com");
  QTest::keyClick(&window.window(), Qt::Key_Return);
  ASSERT_EQ(model->state(), AccountModel::Sending);
  EXPECT_EQ(window.item("sendButton")->property("text").toString(), QStringLiteral("Sending…"));
  EXPECT_FALSE(window.item("sendButton")->isEnabled());
  EXPECT_FALSE(window.item("addressField")->isEnabled());
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(window.item("sendButton")));
  QTest::qWait(200);
  EXPECT_EQ(server.received().size(), 1u) << "one request, never two";
}

// Renders every face for a look: the form with a long message, sending, waiting, signed in.
TEST(SignInView, rendersEachFaceInBothPalettes) {
  ScriptedServer stalled;
  stalled.answer({200, "", true});
  ScriptedServer unconfirmed;
  unconfirmed.answer({202, ""});
  Page page;

  // Nothing listens on port 1: the longest sentence, the one for no connection.
  auto withMessage = page.model("http://127.0.0.1:1/api/v1", std::chrono::seconds(2));
  withMessage->setEmail(QStringLiteral("ada@example.com"));
  withMessage->signIn();
  ASSERT_EVENTUALLY(withMessage->hasMessage());
  auto sending = page.model(stalled.url("/api/v1"), std::chrono::seconds(2));
  sending->setEmail(QStringLiteral("ada@example.com"));
  sending->signIn();
  auto waiting = page.model(unconfirmed.url("/api/v1"), std::chrono::seconds(60));
  waiting->setEmail(QStringLiteral("ada.lovelace_analytical@example.com"));
  waiting->signIn();
  ASSERT_EVENTUALLY(waiting->state() == AccountModel::Waiting);
  page.store.save("token", "ada@example.com", "D-1");
  auto signedIn = page.model(stalled.url("/api/v1"), std::chrono::seconds(2));

  const std::pair<const char*, AccountModel*> faces[] = {
      {"sign-in-form", withMessage.get()},
      {"sign-in-sending", sending.get()},
      {"sign-in-waiting", waiting.get()},
      {"sign-in-signed-in", signedIn.get()},
  };
  for (const auto& [name, model] : faces) {
    const auto images = amberloom::testing::renderInBothPalettes(testQml("SignInScreen.qml"), name, mainWindow,
                                                                 Page::properties(*model));
    EXPECT_NE(images.light.pixelColor(2, 2), images.dark.pixelColor(2, 2)) << name;
  }
}
