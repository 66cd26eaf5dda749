// Form1 as the user first sees it: every control with its kind, text, place, state, font and
// colours, and the frame around them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>

#include "app/form1_layout.h"
#include "form1_fixture.h"

namespace duza {
namespace {

using testing::Form1Fixture;

// What the window's font is: none of its own.
constexpr const char* kWindowFont = "";

struct ControlRow {
  const char* name;
  const char* kind;  // Qt class
  const char* text;  // UTF-8
  QRect pixels;
  bool visible;
  bool enabled;
  const char* font_family;  // kWindowFont: the application's
  double point_size;
  QRgb text_colour;
};

constexpr QRgb kBlack = 0xFF000000;

// Pixels are twips / 15, to the nearest pixel (the status box's 7000 twips are 466.7).
const ControlRow kStartState[] = {
    {"ServerName", "QLineEdit", "HOST1", {104, 104, 185, 19}, false, true, "Arial", 9.75, kBlack},
    {"saname", "QLineEdit", "sa", {104, 248, 89, 19}, false, true, "Arial", 9.75, kBlack},
    {"pwd", "QLineEdit", "quietharbour", {104, 272, 89, 19}, false, true, "Arial", 9.75, kBlack},
    {"Command1", "QPushButton", "Update DUZA Database", {296, 232, 145, 39}, true, true, "Arial",
     9.75, kBlack},
    {"Command2", "QPushButton", "Exit", {296, 280, 145, 28}, true, true, "Arial", 9.75, kBlack},
    {"Label1", "QLabel", "SQL Login", {38, 250, 73, 25}, false, true, "Arial", 9.75, kBlack},
    {"Label2", "QLabel", "Password", {40, 272, 73, 17}, false, true, "Arial", 9.75, kBlack},
    {"SQLSrvLabel", "QLabel", "SQL Server Name", {8, 107, 97, 25}, false, true, "Arial", 9.75,
     kBlack},
    {"StatusBox", "QPlainTextEdit", "", {0, 0, 467, 133}, true, false, "Arial", 9.75, kBlack},
    {"Option1", "QRadioButton", "Use Windows Logon (tester)", {104, 205, 345, 17}, true, true,
     "Arial", 9.75, kBlack},
    {"Option2", "QRadioButton", "SQL Server Login", {104, 222, 137, 21}, true, true, "Arial", 9.75,
     kBlack},
    {"Text1", "QLineEdit", "D:\\RAZ", {104, 128, 185, 19}, false, true, "Arial", 9.75, kBlack},
    {"Label3", "QLabel", "Data Directory", {19, 129, 89, 17}, false, true, "Arial", 9.75, kBlack},
    {"WebDirbox", "QLineEdit", "C:\\Inetpub\\wwwroot", {104, 152, 185, 19}, true, true, "Arial",
     9.75, kBlack},
    {"Label4", "QLabel", "Web Directory", {21, 152, 81, 17}, true, true, "Arial", 9.75, kBlack},
    {"Client", "QLineEdit", "VIVI", {104, 176, 57, 19}, false, false, kWindowFont, 0, kBlack},
    {"Label9", "QLabel", "Client", {67, 176, 41, 17}, false, true, "Arial", 9.75, kBlack},
    {"Label5", "QLabel", "\u00A9 DUZA database tools", {8, 320, 241, 17}, true, true, "Arial", 9.0,
     0xFF404040},
};

QString TextOf(QWidget* control) {
  if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(control)) return box->toPlainText();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  return QStringLiteral("<no text>");
}

class StartStateTest : public Form1Fixture, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(StartStateTest, ControlIsAsDesigned) {
  const ControlRow& row = GetParam();
  Load();
  QWidget* control = Control(row.name);
  ASSERT_NE(control, nullptr);
  EXPECT_STREQ(control->metaObject()->className(), row.kind);
  EXPECT_EQ(TextOf(control), QString::fromUtf8(row.text));
  EXPECT_EQ(control->geometry(), row.pixels);
  EXPECT_EQ(control->isVisible(), row.visible);
  EXPECT_EQ(control->isEnabled(), row.enabled);

  if (std::string_view(row.font_family).empty()) {
    EXPECT_FALSE(control->testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(control->font(), form_->font());
  } else {
    EXPECT_EQ(control->font().family(), QString::fromLatin1(row.font_family));
    EXPECT_DOUBLE_EQ(control->font().pointSizeF(), row.point_size);
    EXPECT_EQ(control->font().weight(), QFont::Normal);
    EXPECT_FALSE(control->font().italic());
    // Arial is had through a font of the same metrics.
    EXPECT_EQ(QFontInfo(control->font()).family(), QStringLiteral("Liberation Sans"));
  }

  const QPalette& palette = control->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    EXPECT_EQ(palette.color(QPalette::Active, role).rgba(), row.text_colour) << role;
  }
  // Labels take no focus; every other control does, by Tab and by click.
  EXPECT_EQ(control->focusPolicy() == Qt::NoFocus, qobject_cast<QLabel*>(control) != nullptr);
}

INSTANTIATE_TEST_SUITE_P(Controls, StartStateTest, ::testing::ValuesIn(kStartState),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Fixture, EveryControlIsInTheTable) {
  Load();
  int controls = 0;
  for (QWidget* child : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const auto name = child->objectName().toStdString();
    const bool known = std::any_of(std::begin(kStartState), std::end(kStartState),
                                   [&](const ControlRow& row) { return name == row.name; });
    EXPECT_TRUE(known) << "unexpected control '" << name << "'";
    ++controls;
  }
  EXPECT_EQ(controls, static_cast<int>(std::size(kStartState)));
}

TEST_F(Form1Fixture, FrameIsFixedWithCaptionIconAndCloseBoxOnly) {
  Form1& form = Load();
  EXPECT_EQ(form.windowTitle(), QStringLiteral(" DUZA Database Update Apr_05_2019"));
  EXPECT_EQ(form.size(), QSize(451, 338));
  EXPECT_EQ(form.minimumSize(), QSize(451, 338));
  EXPECT_EQ(form.maximumSize(), QSize(451, 338));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::Window));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(form.testAttribute(Qt::WA_SetFont));
  EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(16, 16)));
  const QImage icon = form.windowIcon().pixmap(16, 16).toImage();
  EXPECT_FALSE(icon.isNull());
  EXPECT_NE(icon.pixelColor(5, 8), icon.pixelColor(0, 0));  // something is drawn
}

TEST_F(Form1Fixture, OptionOneIsSelectedAndTheTwoFormOneGroup) {
  Load();
  auto* option1 = Control<QRadioButton>("Option1");
  auto* option2 = Control<QRadioButton>("Option2");
  EXPECT_TRUE(option1->isChecked());
  EXPECT_FALSE(option2->isChecked());
  ASSERT_NE(option1->group(), nullptr);
  EXPECT_EQ(option1->group(), option2->group());
  EXPECT_TRUE(option1->group()->exclusive());
  EXPECT_EQ(option1->group()->buttons().size(), 2);
}

TEST_F(Form1Fixture, StatusBoxIsGreyMultiLineWithItsScrollBarBeyondTheWindow) {
  Load();
  auto* box = Control<QPlainTextEdit>("StatusBox");
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(box->isReadOnly());
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    EXPECT_EQ(box->palette().color(group, QPalette::Base), QColor(240, 240, 240)) << group;
  }
  EXPECT_GT(box->geometry().right(), form_->width());
  EXPECT_EQ(box->focusPolicy() & Qt::TabFocus, Qt::TabFocus);  // once a run enables it
}

TEST_F(Form1Fixture, StatusBoxIsWhiteBeforeLoading) {
  Form1 form(Services());
  auto* box = form.findChild<QPlainTextEdit*>(QStringLiteral("StatusBox"));
  EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 255, 255));
  EXPECT_TRUE(form.ComputerName().empty());
  EXPECT_TRUE(form.UserName().empty());
}

TEST_F(Form1Fixture, PasswordShowsStarsAndTakesNoInputMethod) {
  Load();
  auto* pwd = Control<QLineEdit>("pwd");
  EXPECT_EQ(pwd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(pwd->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pwd), '*');
  EXPECT_EQ(pwd->displayText(), QStringLiteral("************"));
  EXPECT_FALSE(pwd->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(pwd->inputMethodHints().testFlag(Qt::ImhHiddenText));
  EXPECT_TRUE(pwd->inputMethodHints().testFlag(Qt::ImhSensitiveData));
  // Other text boxes keep the application's style.
  EXPECT_NE(Control("saname")->style(), pwd->style());
}

TEST_F(Form1Fixture, LabelsAreTransparentButTheFooterIsOpaque) {
  Load();
  for (const char* name : {"Label1", "Label2", "SQLSrvLabel", "Label3", "Label4", "Label9"}) {
    EXPECT_FALSE(Control(name)->autoFillBackground()) << name;
  }
  // "Web Directory" runs a pixel wider than its label here: it must not lose a word.
  EXPECT_FALSE(Control<QLabel>("Label4")->wordWrap());
  QWidget* footer = Control("Label5");
  EXPECT_TRUE(footer->autoFillBackground());
  EXPECT_EQ(footer->backgroundRole(), QPalette::Window);
  EXPECT_EQ(footer->palette().color(QPalette::Window), form_->palette().color(QPalette::Window));
}

}  // namespace
}  // namespace duza
