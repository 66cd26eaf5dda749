// Form_Load and the start of the program: where the computer and user names come from,
// and what happens when loading fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <optional>
#include <string>

#include "app/application.h"
#include "platform/error.h"
#include "form1_fixture.h"

namespace duza {
namespace {

using testing::Answers;
using testing::FailsWithoutWriting;
using testing::FakeNameApi;
using testing::Form1Fixture;
using testing::NameCall;
using testing::SizeAfter;

// --- Where the user name comes from -----------------------------------------------------

struct UserNameCase {
  const char* name;
  std::u16string variable;  // USERNAME as the environment gives it
  NameCall lookup;          // GetUserNameA
  int lookups;              // how often the system was asked
  std::u16string user_name;
};

NameCall Throws(PlatformError error) {
  return [error](char*, std::int32_t&) -> bool { throw error; };
}

class FormLoadUserTest : public Form1Fixture, public ::testing::WithParamInterface<UserNameCase> {
};

TEST_P(FormLoadUserTest, CaptionCarriesTheUserName) {
  const UserNameCase& c = GetParam();
  names_ = FakeNameApi(Answers("HOST1", SizeAfter::kWithoutNul), c.lookup);
  Load(c.variable);
  EXPECT_EQ(names_.user_seen.count, c.lookups);
  EXPECT_EQ(form_->UserName(), c.user_name);
  EXPECT_EQ(Control<QRadioButton>("Option1")->text(),
            QStringLiteral("Use Windows Logon (") + QString::fromStdU16String(c.user_name) +
                QStringLiteral(")"));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FormLoadUserTest,
    ::testing::Values(
        UserNameCase{"VariableSet", u"tester", Answers("logon-user", SizeAfter::kWithNul), 0,
                     u"tester"},
        UserNameCase{"VariableEmpty", u"", Answers("logon-user", SizeAfter::kWithNul), 1,
                     u"logon-user"},
        UserNameCase{"LookupRefuses", u"", FailsWithoutWriting(), 1, u""},
        UserNameCase{"LookupTooLong", u"", Answers(std::string(255, 'u'), SizeAfter::kWithNul), 1,
                     u""},
        // Any failure of the lookup is skipped, not only the system's refusal.
        UserNameCase{"LookupRaises", u"", Throws(PlatformError(7)), 1, u""},
        UserNameCase{"VariableOfBlanksCounts", u" ", Answers("logon-user", SizeAfter::kWithNul),
                     0, u" "}),
    [](const auto& info) { return std::string(info.param.name); });

// The real environment, set and unset around the load.
class UserNameVariable {
 public:
  UserNameVariable() {
    if (qEnvironmentVariableIsSet("USERNAME")) saved_ = qgetenv("USERNAME");
  }
  ~UserNameVariable() {
    if (saved_) {
      qputenv("USERNAME", *saved_);
    } else {
      qunsetenv("USERNAME");
    }
  }

 private:
  std::optional<QByteArray> saved_;
};

TEST_F(Form1Fixture, UserNameVariableIsReadFromTheEnvironment) {
  UserNameVariable restore;
  Form1Services services = Services();
  services.user_name_variable = nullptr;  // the environment's own

  qputenv("USERNAME", "envuser");
  form_ = LoadForm1(services);
  ASSERT_NE(form_, nullptr);
  EXPECT_EQ(form_->UserName(), u"envuser");
  EXPECT_EQ(names_.user_seen.count, 0);

  qunsetenv("USERNAME");
  form_ = LoadForm1(services);
  ASSERT_NE(form_, nullptr);
  EXPECT_EQ(form_->UserName(), u"logon-user");
  EXPECT_EQ(names_.user_seen.count, 1);
}

// --- The rest of the start-up filling --------------------------------------------------

TEST_F(Form1Fixture, LoadPutsTheComputerNameIntoServerNameAndSelectsWindowsLogon) {
  Load();
  EXPECT_EQ(form_->ComputerName(), u"HOST1");
  EXPECT_EQ(Control<QLineEdit>("ServerName")->text(), QStringLiteral("HOST1"));
  EXPECT_TRUE(Control<QRadioButton>("Option1")->isChecked());
  for (const char* name : {"Label1", "Label2", "saname", "pwd"}) {
    EXPECT_FALSE(Control(name)->isVisible()) << name;
  }
  EXPECT_EQ(form_->StatusText(), u"");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Form1Fixture, LoadAsksForTheComputerNameOnce) {
  Load();
  EXPECT_EQ(names_.computer_seen.count, 1);
}

// --- A failing load ends the program before the window shows ----------------------------

TEST_F(Form1Fixture, FailingComputerNameEndsTheProgramWithARunTimeError) {
  names_ = FakeNameApi(FailsWithoutWriting(), Answers("logon-user", SizeAfter::kWithNul));
  EXPECT_EQ(RunApplication(*qApp, Services()), 1);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, u"DUZA Database Update");
  EXPECT_EQ(messages_[0].text, u"Run-time error '5':\n\nInvalid procedure call or argument");
  for (QWidget* window : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
  }
}

TEST_F(Form1Fixture, ComputerNameFailureKeepsItsNumberAndText) {
  names_ = FakeNameApi(Throws(PlatformError(7)), Answers("logon-user", SizeAfter::kWithNul));
  EXPECT_EQ(LoadForm1(Services()), nullptr);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, u"Run-time error '7':\n\nOut of memory");
}

TEST_F(Form1Fixture, FailureReadingTheVariableIsNotSkipped) {
  Form1Services services = Services();
  services.user_name_variable = []() -> std::u16string { Raise(err::kOutOfMemory); };
  EXPECT_EQ(LoadForm1(std::move(services)), nullptr);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, u"Run-time error '7':\n\nOut of memory");
}

// --- A good start shows the window and runs until it closes ------------------------------

struct EndingCase {
  const char* name;
  void (*end)(Form1& form);
};

class ProgramEndTest : public Form1Fixture, public ::testing::WithParamInterface<EndingCase> {
 protected:
  void SetUp() override { QApplication::setQuitOnLastWindowClosed(true); }
  void TearDown() override { QApplication::setQuitOnLastWindowClosed(false); }
};

TEST_P(ProgramEndTest, ProgramShowsTheWindowAndEndsWithZero) {
  bool shown = false;
  const auto end = GetParam().end;
  QTimer::singleShot(0, [&shown, end] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* form = qobject_cast<Form1*>(window);
      if (form && form->isVisible()) {
        shown = true;
        end(*form);
      }
    }
  });
  EXPECT_EQ(RunApplication(*qApp, Services()), 0);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(messages_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ProgramEndTest,
    ::testing::Values(EndingCase{"ExitButton", [](Form1& form) { form.Command2_Click(); }},
                      // What the close box asks of the window.
                      EndingCase{"CloseBox", [](Form1& form) { form.close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace duza
