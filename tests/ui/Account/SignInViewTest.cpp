// The sign-in page as a user meets it: typing an address, sending, waiting for the link, giving
// up the wait, being signed in; and its faces drawn in both palettes at the main window's width.

#include "AccountFixture.hpp"
#include "AccountServerProcess.hpp"
#include "ScreenWindow.hpp"
#include "ScriptedServer.hpp"

using namespace amberloom::testing;

namespace {

const QSize mainWindow{980, 640};

QVariantMap showing(AccountModel& model) { return {{"account", QVariant::fromValue(&model)}}; }

// The object name of the face on show.
QString faceOf(ScreenWindow& window) {
  auto* face = window.item("face")->property("item").value<QQuickItem*>();
  return face ? face->objectName() : QString();
}
QString textOf(ScreenWindow& window, const char* name) { return window.item(name)->property("text").toString(); }
void typeText(ScreenWindow& window, const char* text) {
  for (; *text; ++text) QTest::keyClick(&window.window(), *text);
}

}  // namespace

TEST(SignInView, takesTheAddressWaitsForTheLinkAndShowsTheAccount) {
  AccountServerProcess server;
  auto model = AccountMac().model(server.apiBase());
  ScreenWindow window(testQml("SignInScreen.qml"), mainWindow, ScreenWindow::Palette::FromScheme, showing(*model));
  ASSERT_EQ(faceOf(window), QStringLiteral("signInForm"));
  EXPECT_TRUE(window.item("addressField")->hasActiveFocus()) << "the cursor starts in the field";

  // An incomplete address is answered under the field.
  typeText(window, "ada");
  QTest::keyClick(&window.window(), Qt::Key_Return);
  EXPECT_EQ(textOf(window, "message"), AccountModel::incompleteAddress);

  typeText(window, "@Example.COM ");
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(window.item("sendButton")));
  ASSERT_EVENTUALLY(faceOf(window) == QStringLiteral("waitingFace"));
  EXPECT_TRUE(textOf(window, "waitingExplanation").contains(QStringLiteral("ada@example.com. Open it and press <b>")));

  // Giving up brings the form back with the address still typed and the cursor in it; sending
  // again starts a new wait, and the link of that one signs in.
  QTest::mouseClick(&window.window(), Qt::LeftButton, {}, window.centreOf(window.item("differentAddress")));
  ASSERT_EQ(faceOf(window), QStringLiteral("signInForm"));
  EXPECT_EQ(textOf(window, "addressField"), QStringLiteral("ada@Example.COM "));
  EXPECT_TRUE(window.item("addressField")->hasActiveFocus());
  EXPECT_FALSE(window.item("errorLine")->isVisible());
  QTest::keyClick(&window.window(), Qt::Key_Return);
  ASSERT_EVENTUALLY(faceOf(window) == QStringLiteral("waitingFace"));

  confirmLink(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(faceOf(window) == QStringLiteral("signedInFace"));
  EXPECT_EQ(textOf(window, "signedInAddress"), QStringLiteral("ada@example.com"));
}

// Every face for a look: the form with the longest message, sending, waiting, signed in.
TEST(SignInView, rendersEachFaceInBothPalettes) {
  ScriptedServer silent;
  silent.answer({200, "", true});
  ScriptedServer unconfirmed;
  unconfirmed.answer({202, ""});
  AccountMac mac;
  const std::pair<std::string, const char*> starts[] = {
      {nowhere, "ada@example.com"},
      {silent.url("/api/v1"), "ada@example.com"},
      {unconfirmed.url("/api/v1"), "ada.lovelace_analytical@example.com"},
  };
  std::vector<std::unique_ptr<AccountModel>> models;
  for (const auto& [base, address] : starts) {
    models.push_back(mac.model(base, std::chrono::minutes(1)));
    startSignIn(*models.back(), QString::fromUtf8(address));
  }
  ASSERT_EVENTUALLY(models[0]->hasMessage() && models[2]->state() == AccountModel::Waiting);
  EXPECT_EQ(models[1]->state(), AccountModel::Sending);
  mac.store().save("token", "ada@example.com", "D-1", nowhere);
  models.push_back(mac.model(nowhere));

  const char* names[] = {"sign-in-form", "sign-in-sending", "sign-in-waiting", "sign-in-signed-in"};
  for (std::size_t i = 0; i < models.size(); ++i) {
    const auto images = renderInBothPalettes(testQml("SignInScreen.qml"), names[i], mainWindow, showing(*models[i]));
    EXPECT_NE(images.light.pixelColor(2, 2), images.dark.pixelColor(2, 2)) << names[i];
  }
}
