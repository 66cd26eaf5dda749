// The password typed into the window stays hidden: its field shows stars to the eye, to
// assistive technology and to input methods, gives nothing to the clipboard, and the real
// update run, failing for whatever reason, never puts it on the window or in a message.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <fstream>
#include <string>

#include "app/update_run.h"
#include "form1_fixture.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/db/run_harness.h"
#include "tests/support/closed_port.h"

namespace duza {
namespace {

using testing::Form1Fixture;
using testing::TempFolder;

const QString kToken = QStringLiteral("S3cr3t-Token-42");

// Everything the window shows as text: captions, labels, fields as displayed, the status
// box and the window title.
QString ShownTexts(QWidget& window) {
  QString shown = window.windowTitle() + u'\n';
  for (auto* edit : window.findChildren<QLineEdit*>()) shown += edit->displayText() + u'\n';
  for (auto* label : window.findChildren<QLabel*>()) shown += label->text() + u'\n';
  for (auto* button : window.findChildren<QAbstractButton*>()) shown += button->text() + u'\n';
  for (auto* box : window.findChildren<QPlainTextEdit*>()) shown += box->toPlainText() + u'\n';
  return shown;
}

class Form1SecretsTest : public Form1Fixture {
 protected:
  QLineEdit* TypePassword() {
    QTest::mouseClick(Control("Option2"), Qt::LeftButton);
    auto* pwd = Control<QLineEdit>("pwd");
    pwd->clear();
    QTest::keyClicks(pwd, kToken);
    EXPECT_EQ(pwd->text(), kToken);  // the run still reads what was typed
    return pwd;
  }
};

TEST_F(Form1SecretsTest, PasswordFieldShowsStarsOnly) {
  Load();
  QLineEdit* pwd = TypePassword();
  const QString stars(kToken.size(), u'*');
  EXPECT_EQ(pwd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(pwd->displayText(), stars);
  // No input method is asked about it (one would be handed the text itself), and assistive
  // technology gets the stars.
  EXPECT_FALSE(pwd->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(pwd->inputMethodHints().testFlag(Qt::ImhHiddenText));
  EXPECT_TRUE(pwd->inputMethodHints().testFlag(Qt::ImhSensitiveData));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(pwd);
  ASSERT_NE(accessible, nullptr);
  EXPECT_FALSE(accessible->text(QAccessible::Value).contains(kToken));
  EXPECT_FALSE(accessible->text(QAccessible::Name).contains(kToken));

  // Hidden with the Windows logon and shown again: still stars.
  QTest::mouseClick(Control("Option1"), Qt::LeftButton);
  QTest::mouseClick(Control("Option2"), Qt::LeftButton);
  EXPECT_EQ(pwd->displayText(), stars);
  EXPECT_FALSE(pwd->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_FALSE(ShownTexts(*form_).contains(kToken));
}

TEST_F(Form1SecretsTest, PasswordFieldGivesNothingToTheClipboard) {
  Load();
  QLineEdit* pwd = TypePassword();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("before"));
  pwd->selectAll();
  pwd->copy();
  QTest::keyClick(pwd, Qt::Key_C, Qt::ControlModifier);
  pwd->selectAll();
  QTest::keyClick(pwd, Qt::Key_X, Qt::ControlModifier);  // cut: removes, copies nothing
  EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
}

using RefusingPort = testing::ClosedPort;

struct FailingRun {
  const char* name;
  bool web_config_of_random_bytes;  // else a server that refuses the connection
  const char* shown;                // what the window shows instead
};

class Form1FailingRunTest : public Form1SecretsTest,
                            public ::testing::WithParamInterface<FailingRun> {};

TEST_P(Form1FailingRunTest, RealRunNeverShowsThePassword) {
  const RefusingPort refusing;
  ASSERT_NE(refusing.port(), 0);
  const TempFolder web("form1-secret");
  if (GetParam().web_config_of_random_bytes) {
    std::ofstream out(web.path() / "web.config", std::ios::binary);
    for (unsigned i = 0; i < 4096; ++i) out << static_cast<char>((i * 2654435761u) >> 24);
  } else {
    testing::WriteWebConfig(web.path(), testing::StoredMariaDbString(refusing.port()));
  }
  Form1Services services = Services();
  services.update_run = [](UpdateView& view) {
    RunSchemaUpdate(view, MakeOdbcConnectionFactory());
  };
  form_ = LoadForm1(std::move(services));
  form_->show();
  auto* web_dir = Control<QLineEdit>("WebDirbox");
  web_dir->setText(QString::fromStdString(web.path().string()));
  TypePassword();

  QTest::mouseClick(Control("Command1"), Qt::LeftButton);

  const QString shown = ShownTexts(*form_);
  QString messages;
  for (const auto& message : messages_) {
    messages += QString::fromStdU16String(message.title) + u'\n' +
                QString::fromStdU16String(message.text) + u'\n';
  }
  EXPECT_TRUE((shown + messages).contains(QString::fromUtf8(GetParam().shown)))
      << (shown + messages).toStdString();
  EXPECT_FALSE(shown.contains(kToken)) << shown.toStdString();
  EXPECT_FALSE(messages.contains(kToken)) << messages.toStdString();
  EXPECT_EQ(Control<QLineEdit>("pwd")->text(), kToken);  // kept for the next try
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Form1FailingRunTest,
    ::testing::Values(FailingRun{"ServerRefuses", false, "Can't connect to server on '127.0.0.1'"},
                      FailingRun{"WebConfigOfRandomBytes", true,
                                 "Invalid procedure call or argument"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace duza
