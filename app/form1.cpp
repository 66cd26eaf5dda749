#include "app/form1.h"

#include <QButtonGroup>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QtGlobal>

#include <utility>

#include "app/app_icon.h"
#include "app/form1_layout.h"
#include "app/grooves.h"
#include "app/qt_text.h"
#include "app/run_time_error.h"
#include "app/twips.h"
#include "hostprep/host_preparation.h"
#include "hostprep/shortcut.h"
#include "identity/machine_identity.h"
#include "platform/error.h"
#include "settings/codec.h"

namespace duza {
namespace {

// Masks the password with '*' at once, whatever the application's style would show.
class StarPasswordStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

QFont FontOf(ControlFont font) {
  QFont arial(QStringLiteral("Arial"));
  arial.setWeight(QFont::Normal);
  arial.setItalic(false);
  arial.setPointSizeF(font == ControlFont::kArial9 ? 9.0 : 9.75);
  return arial;
}

// Text colour in the active and inactive window; a disabled control keeps the style's grey.
void SetTextColour(QWidget* widget, unsigned rgb) {
  QPalette palette = widget->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(group, role, QColor::fromRgb(rgb));
    }
  }
  widget->setPalette(palette);
}

// The background of a text box, whether or not it is enabled.
void SetBoxBackground(QWidget* widget, unsigned rgb) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, QColor::fromRgb(rgb));
  widget->setPalette(palette);
}

QWidget* CreateControl(const ControlSpec& row, QWidget* parent) {
  const QString text = ToQString(row.text);
  QWidget* control = nullptr;
  switch (row.kind) {
    case ControlKind::kTextBox:
      control = new QLineEdit(text, parent);
      break;
    case ControlKind::kMultiLineTextBox: {
      auto* box = new QPlainTextEdit(text, parent);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      // Tab goes on to the next control, as in every other text box of the window.
      box->setTabChangesFocus(true);
      control = box;
      break;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      // No wrapping: where the metric-compatible font runs a pixel wider than the design's,
      // the label loses that pixel rather than its second word.
      label->setWordWrap(false);
      label->setFocusPolicy(Qt::NoFocus);
      control = label;
      break;
    }
    case ControlKind::kOptionButton:
      control = new QRadioButton(text, parent);
      break;
    case ControlKind::kCommandButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      control = button;
      break;
    }
  }
  control->setObjectName(QLatin1StringView(row.name));
  control->setGeometry(PixelRect(row.left, row.top, row.width, row.height));
  if (row.font != ControlFont::kWindowFont) control->setFont(FontOf(row.font));
  SetTextColour(control, 0x000000);
  control->setEnabled(row.enabled);
  if (!row.visible) control->hide();
  return control;
}

}  // namespace

void ShowModalMessage(std::u16string_view title, std::u16string_view text, QWidget* parent) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(title), ToQString(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(std::move(services)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(ToQString(kForm1Caption));
  setWindowIcon(AppIcon());
  setFixedSize(Pixels(kClientWidthTwips), Pixels(kClientHeightTwips));
  BuildControls();
  WireEvents();
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  QWidget* previous_focusable = nullptr;
  for (const ControlSpec& row : kForm1Controls) {
    QWidget* control = CreateControl(row, this);
    // Controls are created in tab order, which is then also the focus chain's order.
    if (control->focusPolicy() != Qt::NoFocus) {
      if (previous_focusable) setTabOrder(previous_focusable, control);
      previous_focusable = control;
    }
  }

  server_name_ = findChild<QLineEdit*>(QStringLiteral("ServerName"));
  saname_ = findChild<QLineEdit*>(QStringLiteral("saname"));
  pwd_ = findChild<QLineEdit*>(QStringLiteral("pwd"));
  command1_ = findChild<QPushButton*>(QStringLiteral("Command1"));
  command2_ = findChild<QPushButton*>(QStringLiteral("Command2"));
  label1_ = findChild<QLabel*>(QStringLiteral("Label1"));
  label2_ = findChild<QLabel*>(QStringLiteral("Label2"));
  status_box_ = findChild<QPlainTextEdit*>(QStringLiteral("StatusBox"));
  option1_ = findChild<QRadioButton*>(QStringLiteral("Option1"));
  option2_ = findChild<QRadioButton*>(QStringLiteral("Option2"));
  text1_ = findChild<QLineEdit*>(QStringLiteral("Text1"));
  web_dirbox_ = findChild<QLineEdit*>(QStringLiteral("WebDirbox"));
  client_ = findChild<QLineEdit*>(QStringLiteral("Client"));

  SetBoxBackground(status_box_, kStatusBoxDesignBackground);

  pwd_->setEchoMode(QLineEdit::Password);
  auto* star_style = new StarPasswordStyle;
  star_style->setParent(this);  // created after pwd, so it outlives it
  pwd_->setStyle(star_style);
  // What is typed there is a secret: no composition window, prediction or recording.
  pwd_->setAttribute(Qt::WA_InputMethodEnabled, false);
  pwd_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                            Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);

  auto* footer = findChild<QLabel*>(QStringLiteral("Label5"));
  SetTextColour(footer, kFooterTextColour);
  footer->setBackgroundRole(QPalette::Window);
  footer->setAutoFillBackground(true);

  logon_group_ = new QButtonGroup(this);
  logon_group_->setExclusive(true);
  logon_group_->addButton(option1_);
  logon_group_->addButton(option2_);
}

void Form1::WireEvents() {
  // An option's click event comes with its selection, by the user or from code.
  connect(option1_, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option1_Click();
  });
  connect(option2_, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option2_Click();
  });
  connect(command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::Form_Load() {
  SetBoxBackground(status_box_, kStatusBoxLoadedBackground);
  NameLookupApi& names = services_.names ? *services_.names : SystemNameApi();
  computer_name_ = GetTheComputerName(names);
  user_name_ = services_.user_name_variable
                   ? services_.user_name_variable()
                   : FromQString(qEnvironmentVariable("USERNAME"));
  if (user_name_.empty()) {
    try {
      user_name_ = GetTheUserName(names);
    } catch (...) {
      // The one step whose failure is skipped: the name simply stays empty.
      user_name_.clear();
    }
  }
  server_name_->setText(ToQString(computer_name_));
  option1_->setChecked(true);
  option1_->setText(option1_->text() + QStringLiteral(" (") + ToQString(user_name_) +
                    QStringLiteral(")"));
}

void Form1::Option1_Click() {
  label1_->hide();
  label2_->hide();
  saname_->hide();
  pwd_->hide();
}

void Form1::Option2_Click() {
  label1_->show();
  label2_->show();
  saname_->show();
  pwd_->show();
}

void Form1::Command1_Click() {
  if (!services_.update_run) return;
  try {
    services_.update_run(*this);
  } catch (...) {
    // Nothing up the chain handles it: report it the platform's way and end the program.
    ErrorRecord unhandled;
    unhandled.CaptureCurrentException();
    hide();
    ShowMessage(RunTimeErrorText(unhandled));
    QCoreApplication::exit(kRunTimeErrorExitCode);
  }
}

void Form1::Command2_Click() { close(); }

std::u16string Form1::StatusText() const {
  // The box keeps each line break as one paragraph end; the platform counts CR LF.
  QString text = status_box_->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return FromQString(text);
}

std::int32_t Form1::StatusCaret() const {
  const QTextCursor cursor = status_box_->textCursor();
  return cursor.position() + cursor.blockNumber();
}

std::u16string Form1::ClientText() { return FromQString(client_->text()); }
std::u16string Form1::DataDirectoryText() { return FromQString(text1_->text()); }
std::u16string Form1::WebDirectoryText() { return FromQString(web_dirbox_->text()); }
bool Form1::SqlLoginSelected() { return option2_->isChecked(); }
std::u16string Form1::LoginNameText() { return FromQString(saname_->text()); }
std::u16string Form1::PasswordText() { return FromQString(pwd_->text()); }

void Form1::AppendStatus(std::u16string_view text) {
  QString shown = ToQString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown += QLatin1Char('\n');

  QTextCursor cursor(status_box_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(shown);
  status_box_->setTextCursor(cursor);  // the end; scrolls to the last line
  status_box_->ensureCursorVisible();
  // Paint now, without taking any other event: the run that calls this keeps the thread.
  status_box_->repaint();
}

void Form1::SetStatusBoxWidth(float twips) {
  status_box_->resize(Pixels(twips), status_box_->height());
}

void Form1::EnableStatusBox() { status_box_->setEnabled(true); }

void Form1::EnableExitButton() { command2_->setEnabled(true); }

void Form1::SetArrowPointer() {
  // Application-wide and for good, over text boxes too.
  if (QGuiApplication::overrideCursor()) {
    QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
  } else {
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
}

void Form1::ShowMessage(std::u16string_view text) {
  if (services_.show_message) {
    services_.show_message(kApplicationTitle, text);
  } else {
    ShowModalMessage(kApplicationTitle, text, this);
  }
}

void Form1::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintGrooves(painter);
}

double Form1::RandomNumber(std::int32_t low, std::int32_t range) {
  return duza::RandomNumber(random_, low, range);
}

std::u16string Form1::EncodeConnectionString(std::u16string_view plain_text) {
  return duza::EncodeConnectionString(plain_text, random_);
}

void Form1::ConfigureIisComponents() { hostprep::ConfigureIisComponents(); }

void Form1::StartSqlServer() { hostprep::StartSqlServer(); }

void Form1::StopSqlServer() { hostprep::StopSqlServer(); }

void Form1::SetFolderAttributes(std::u16string_view folder_path, bool protect) {
  hostprep::SetFolderAttributes(folder_path, protect);
}

void Form1::RemoveDefaultDocuments() { hostprep::RemoveDefaultDocuments(); }

void Form1::CreateDesktopShortcut(std::u16string_view folder) {
  hostprep::CreateDesktopShortcut(folder);
}

}  // namespace duza
