// What Form1 does once shown: the logon switch, the tab order, the status log, the grooves,
// the exit, and what the update run reaches through its view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/error.h"
#include "form1_fixture.h"

namespace duza {
namespace {

using testing::Form1Fixture;

// --- The logon switch ---------------------------------------------------------------------

constexpr const char* kLoginControls[] = {"Label1", "Label2", "saname", "pwd"};

TEST_F(Form1Fixture, OptionsSwitchTheLoginFieldsAndKeepTheirTexts) {
  Load();
  auto* option1 = Control<QRadioButton>("Option1");
  auto* option2 = Control<QRadioButton>("Option2");

  QTest::mouseClick(option2, Qt::LeftButton);
  EXPECT_TRUE(option2->isChecked());
  EXPECT_FALSE(option1->isChecked());
  for (const char* name : kLoginControls) EXPECT_TRUE(Control(name)->isVisible()) << name;
  EXPECT_TRUE(form_->SqlLoginSelected());

  auto* saname = Control<QLineEdit>("saname");
  auto* pwd = Control<QLineEdit>("pwd");
  saname->clear();
  QTest::keyClicks(saname, QStringLiteral("admin"));
  pwd->clear();
  QTest::keyClicks(pwd, QStringLiteral("s3cret"));

  QTest::mouseClick(option1, Qt::LeftButton);
  EXPECT_TRUE(option1->isChecked());
  EXPECT_FALSE(form_->SqlLoginSelected());
  for (const char* name : kLoginControls) EXPECT_FALSE(Control(name)->isVisible()) << name;

  QTest::mouseClick(option2, Qt::LeftButton);
  EXPECT_EQ(saname->text(), QStringLiteral("admin"));
  EXPECT_EQ(pwd->text(), QStringLiteral("s3cret"));
  EXPECT_EQ(form_->LoginNameText(), u"admin");
  EXPECT_EQ(form_->PasswordText(), u"s3cret");
  EXPECT_EQ(pwd->displayText(), QStringLiteral("******"));
}

TEST_F(Form1Fixture, HandlersShowAndHideTheLoginFieldsWhenCalled) {
  Load();
  form_->Option2_Click();
  for (const char* name : kLoginControls) EXPECT_TRUE(Control(name)->isVisible()) << name;
  form_->Option1_Click();
  for (const char* name : kLoginControls) EXPECT_FALSE(Control(name)->isVisible()) << name;
}

// --- Tab order ----------------------------------------------------------------------------

// The names of the controls that Tab visits from the one that has the focus, once round.
std::vector<std::string> TabRound(QWidget& window) {
  std::vector<std::string> visited;
  QWidget* first = QApplication::focusWidget();
  if (!first) return {"<no focus>"};
  QWidget* current = first;
  do {
    visited.push_back(current->objectName().toStdString());
    QTest::keyClick(current, Qt::Key_Tab);
    current = QApplication::focusWidget();
  } while (current && current != first && visited.size() < 20 && current->window() == &window);
  return visited;
}

void Activate(QWidget& window) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST_F(Form1Fixture, FocusStartsOnTheUpdateButtonAndTabVisitsTheWindowsLogonControls) {
  Form1& form = Load();
  Activate(form);
  EXPECT_EQ(QApplication::focusWidget(), Control("Command1"));
  EXPECT_EQ(TabRound(form),
            (std::vector<std::string>{"Command1", "Command2", "Option1", "WebDirbox"}));
}

TEST_F(Form1Fixture, WithSqlLoginTabAlsoVisitsLoginNameAndPassword) {
  Form1& form = Load();
  Activate(form);
  QTest::mouseClick(Control("Option2"), Qt::LeftButton);
  Control("Command1")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(TabRound(form), (std::vector<std::string>{"Command1", "Command2", "Option2",
                                                      "WebDirbox", "saname", "pwd"}));
}

TEST_F(Form1Fixture, EnabledStatusBoxJoinsTheTabOrderAfterTheButtons) {
  Form1& form = Load();
  Activate(form);
  form.EnableStatusBox();
  Control("Command1")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(TabRound(form), (std::vector<std::string>{"Command1", "Command2", "StatusBox",
                                                      "Option1", "WebDirbox"}));
}

// The focus chain itself follows the design's tab indexes, hidden controls included.
TEST_F(Form1Fixture, FocusChainFollowsTheTabIndexes) {
  Load();
  std::vector<std::string> chain;
  for (QWidget* w = form_->nextInFocusChain(); w != form_.get() && chain.size() < 40;
       w = w->nextInFocusChain()) {
    if (w->parentWidget() == form_.get() && w->focusPolicy() != Qt::NoFocus) {
      chain.push_back(w->objectName().toStdString());
    }
  }
  EXPECT_EQ(chain, (std::vector<std::string>{"ServerName", "saname", "pwd", "Command1",
                                             "Command2", "StatusBox", "Option1", "Option2",
                                             "Text1", "WebDirbox", "Client"}));
}

// --- AppendStatus -------------------------------------------------------------------------

struct AppendCase {
  const char* name;
  std::vector<std::u16string> appended;
  std::u16string text;
  std::int32_t caret;
};

class AppendStatusTest : public Form1Fixture, public ::testing::WithParamInterface<AppendCase> {};

TEST_P(AppendStatusTest, AddsTheTextAndOneLineBreakWithTheCaretAtTheEnd) {
  Load();
  for (const auto& text : GetParam().appended) form_->AppendStatus(text);
  EXPECT_EQ(form_->StatusText(), GetParam().text);
  EXPECT_EQ(form_->StatusCaret(), GetParam().caret);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AppendStatusTest,
    ::testing::Values(AppendCase{"OneLine", {u"abc"}, u"abc\r\n", 5},
                      AppendCase{"TwoLines", {u"abc", u"def"}, u"abc\r\ndef\r\n", 10},
                      AppendCase{"EmptyText", {u""}, u"\r\n", 2},
                      AppendCase{"EmptyAfterText", {u"abc", u""}, u"abc\r\n\r\n", 7},
                      AppendCase{"TextEndingInLineBreak", {u"abc\r\n"}, u"abc\r\n\r\n", 7},
                      AppendCase{"LineBreakInside", {u"Client is\r\nempty"},
                                 u"Client is\r\nempty\r\n", 18},
                      AppendCase{"BeyondLatin1", {u"\u20AC \u041F\u0440\u0438"},
                                 u"\u20AC \u041F\u0440\u0438\r\n", 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Fixture, AppendStatusScrollsToTheLastLineAndShowsItAtOnce) {
  Load();
  auto* box = Control<QPlainTextEdit>("StatusBox");
  form_->SetStatusBoxWidth(6735);
  form_->EnableStatusBox();
  for (int i = 1; i <= 40; ++i) form_->AppendStatus(u"line " + std::u16string(1, u'0' + i % 10));
  EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
  EXPECT_EQ(box->textCursor().position(), box->document()->characterCount() - 1);
}

// Counts the events of one type that reach the objects it watches.
class EventCounter final : public QObject {
 public:
  explicit EventCounter(QEvent::Type type) : type_(type) {}
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type_) ++count;
    return false;
  }

 private:
  QEvent::Type type_;
};

TEST_F(Form1Fixture, AppendStatusPaintsTheBoxBeforeReturning) {
  Form1& form = Load();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QCoreApplication::processEvents();
  auto* box = Control<QPlainTextEdit>("StatusBox");
  EventCounter paints(QEvent::Paint);
  box->viewport()->installEventFilter(&paints);
  form.AppendStatus(u"Tables created!");
  EXPECT_GE(paints.count, 1);
  box->viewport()->removeEventFilter(&paints);
}

TEST_F(Form1Fixture, AppendStatusTakesNoOtherPendingEvent) {
  Load();
  QWidget* command2 = Control("Command2");
  EventCounter watcher(QEvent::User);
  command2->installEventFilter(&watcher);
  QCoreApplication::postEvent(command2, new QEvent(QEvent::User));
  form_->AppendStatus(u"abc");
  EXPECT_EQ(watcher.count, 0) << "the repaint let a waiting event through";
  QCoreApplication::processEvents();
  EXPECT_EQ(watcher.count, 1);
  command2->removeEventFilter(&watcher);
}

// --- The grooves --------------------------------------------------------------------------

struct GrooveCase {
  const char* name;
  int row;
  QRgb colour;
};

class GrooveTest : public Form1Fixture, public ::testing::WithParamInterface<GrooveCase> {};

TEST_P(GrooveTest, LineIsDrawnFromTheLeftEdgeTo6750Twips) {
  Load();
  const QImage image = form_->grab().toImage();
  ASSERT_EQ(image.size(), QSize(451, 338));
  const QRgb colour = GetParam().colour;
  for (int x : {0, 1, 104, 225, 449}) {
    EXPECT_EQ(image.pixel(x, GetParam().row), colour) << "x = " << x;
  }
  // 6750 twips is pixel 450, the client area's last column: the end point is not drawn.
  EXPECT_NE(image.pixel(450, GetParam().row), colour);
}

INSTANTIATE_TEST_SUITE_P(Lines, GrooveTest,
                         ::testing::Values(GrooveCase{"Line1", 133, 0xFFC0C0C0},
                                           GrooveCase{"Line4", 134, 0xFFE0E0E0},
                                           GrooveCase{"Line2", 312, 0xFF808080},
                                           GrooveCase{"Line3", 313, 0xFFFFFFFF}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Fixture, StatusBoxShowsItsGreyBackground) {
  Load();
  const QImage image = form_->grab().toImage();
  EXPECT_EQ(image.pixel(200, 60), 0xFFF0F0F0);
}

// --- Exit ---------------------------------------------------------------------------------

TEST_F(Form1Fixture, ExitClosesTheWindow) {
  Load();
  QTest::mouseClick(Control("Command2"), Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
}

// --- The view the update run drives ---------------------------------------------------------

TEST_F(Form1Fixture, RunReadsTheFieldsAsTyped) {
  Load();
  EXPECT_EQ(form_->ClientText(), u"VIVI");
  EXPECT_EQ(form_->DataDirectoryText(), u"D:\\RAZ");
  EXPECT_EQ(form_->WebDirectoryText(), u"C:\\Inetpub\\wwwroot");
  EXPECT_FALSE(form_->SqlLoginSelected());
  EXPECT_EQ(form_->LoginNameText(), u"sa");
  EXPECT_EQ(form_->PasswordText(), u"quietharbour");

  auto* web = Control<QLineEdit>("WebDirbox");
  web->clear();
  QTest::keyClicks(web, QStringLiteral("D:\\Web\\Caf"));
  web->insert(QString::fromStdU16String(u"\u00E9"));  // typed through a compose key
  EXPECT_EQ(form_->WebDirectoryText(), u"D:\\Web\\Caf\u00E9");
}

TEST_F(Form1Fixture, RunNarrowsAndEnablesTheStatusBoxAndTheExitButton) {
  Load();
  auto* box = Control<QPlainTextEdit>("StatusBox");
  form_->SetStatusBoxWidth(6735);
  EXPECT_EQ(box->geometry(), QRect(0, 0, 449, 133));
  form_->EnableStatusBox();
  EXPECT_TRUE(box->isEnabled());
  Control("Command2")->setEnabled(false);
  form_->EnableExitButton();
  EXPECT_TRUE(Control("Command2")->isEnabled());
}

TEST_F(Form1Fixture, ArrowPointerHoldsForTheWholeApplication) {
  Load();
  form_->SetArrowPointer();
  form_->SetArrowPointer();  // a second time changes nothing
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
  QGuiApplication::restoreOverrideCursor();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Form1Fixture, MessagesCarryTheApplicationsTitle) {
  Load();
  form_->ShowMessage(u"Update successful!");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, u"DUZA Database Update");
  EXPECT_EQ(messages_[0].text, u"Update successful!");
}

TEST_F(Form1Fixture, UpdateButtonRunsTheUpdateOnTheWindow) {
  std::vector<UpdateView*> runs;
  Form1Services services = Services();
  services.update_run = [&runs](UpdateView& view) {
    runs.push_back(&view);
    view.AppendStatus(u"Tables created!");
  };
  form_ = LoadForm1(std::move(services));
  form_->show();
  QTest::mouseClick(Control("Command1"), Qt::LeftButton);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], static_cast<UpdateView*>(form_.get()));
  EXPECT_EQ(form_->StatusText(), u"Tables created!\r\n");
}

TEST_F(Form1Fixture, UpdateButtonWithoutARunDoesNothing) {
  Load();
  QTest::mouseClick(Control("Command1"), Qt::LeftButton);
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->StatusText(), u"");
  EXPECT_TRUE(messages_.empty());
}

// A failure that the run leaves unhandled ends the program as at start-up.
TEST_F(Form1Fixture, UnhandledFailureOfTheRunIsReportedAndEndsTheWindow) {
  Form1Services services = Services();
  services.update_run = [](UpdateView&) { Raise(err::kFileNotFound); };
  form_ = LoadForm1(std::move(services));
  form_->show();
  QTest::mouseClick(Control("Command1"), Qt::LeftButton);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, u"DUZA Database Update");
  EXPECT_EQ(messages_[0].text, u"Run-time error '53':\n\nFile not found");
  EXPECT_FALSE(form_->isVisible());
}

}  // namespace
}  // namespace duza
