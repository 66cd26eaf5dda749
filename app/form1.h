// The tool's only window. Its handlers and procedures keep the names the users' platform
// gives them (control, underscore, event), so the window reads as designed.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/update_view.h"
#include "settings/system_random_source.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace duza {

class NameLookupApi;

// Shows a modal box with an OK button only.
using MessageBoxCall = std::function<void(std::u16string_view title, std::u16string_view text)>;

// What the window takes from outside. Left empty, each member means the real thing:
// the system's name lookups, the environment's USERNAME, a QMessageBox; an empty
// update_run leaves Command1 doing nothing.
struct Form1Services {
  NameLookupApi* names = nullptr;
  std::function<std::u16string()> user_name_variable;
  MessageBoxCall show_message;
  std::function<void(UpdateView&)> update_run;  // what a press of Command1 runs
};

// A real modal QMessageBox with OK only.
void ShowModalMessage(std::u16string_view title, std::u16string_view text,
                      QWidget* parent = nullptr);

class Form1 final : public QWidget, public UpdateView {
  Q_OBJECT

 public:
  explicit Form1(Form1Services services = {}, QWidget* parent = nullptr);
  ~Form1() override;

  // Fills the window with the machine's names and selects the Windows logon. Only the
  // user-name lookup may fail quietly; every other failure leaves this call.
  void Form_Load();
  void Option1_Click();
  void Option2_Click();
  void Command1_Click();
  void Command2_Click();

  // The encoder of connection strings for web.config, drawing from the window's own
  // generator. Nothing in the window invokes them.
  double RandomNumber(std::int32_t low, std::int32_t range);
  std::u16string EncodeConnectionString(std::u16string_view plain_text);

  // Host preparation. Nothing in the window invokes them either; they act on the
  // machine as their names say.
  void ConfigureIisComponents();
  void StartSqlServer();
  void StopSqlServer();
  void SetFolderAttributes(std::u16string_view folder_path, bool protect);
  void RemoveDefaultDocuments();
  void CreateDesktopShortcut(std::u16string_view folder);

  const std::u16string& ComputerName() const { return computer_name_; }
  const std::u16string& UserName() const { return user_name_; }

  // The status box's text as the platform counts it, every line break a CR LF pair, and
  // the caret's position in that text.
  std::u16string StatusText() const;
  std::int32_t StatusCaret() const;

  // UpdateView
  std::u16string ClientText() override;
  std::u16string DataDirectoryText() override;
  std::u16string WebDirectoryText() override;
  bool SqlLoginSelected() override;
  std::u16string LoginNameText() override;
  std::u16string PasswordText() override;
  void AppendStatus(std::u16string_view text) override;
  void SetStatusBoxWidth(float twips) override;
  void EnableStatusBox() override;
  void EnableExitButton() override;
  void SetArrowPointer() override;
  void ShowMessage(std::u16string_view text) override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildControls();
  void WireEvents();

  Form1Services services_;
  SystemRandomSource random_;
  std::u16string computer_name_;
  std::u16string user_name_;

  QLineEdit* server_name_ = nullptr;
  QLineEdit* saname_ = nullptr;
  QLineEdit* pwd_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QPlainTextEdit* status_box_ = nullptr;
  QRadioButton* option1_ = nullptr;
  QRadioButton* option2_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* web_dirbox_ = nullptr;
  QLineEdit* client_ = nullptr;
  QButtonGroup* logon_group_ = nullptr;
};

}  // namespace duza
