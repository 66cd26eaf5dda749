// What the update run needs of the window. Form1 implements it; so do the command-line
// program and the tests, so that one run drives all three.
#pragma once

#include <string>
#include <string_view>

namespace duza {

class UpdateView {
 public:
  virtual ~UpdateView() = default;

  virtual std::u16string ClientText() = 0;         // Client
  virtual std::u16string DataDirectoryText() = 0;  // Text1
  virtual std::u16string WebDirectoryText() = 0;   // WebDirbox
  virtual bool SqlLoginSelected() = 0;             // Option2
  virtual std::u16string LoginNameText() = 0;      // saname
  virtual std::u16string PasswordText() = 0;       // pwd

  virtual void AppendStatus(std::u16string_view text) = 0;
  virtual void SetStatusBoxWidth(float twips) = 0;
  virtual void EnableStatusBox() = 0;
  virtual void EnableExitButton() = 0;  // Command2
  virtual void SetArrowPointer() = 0;   // the application-wide pointer
  virtual void ShowMessage(std::u16string_view text) = 0;  // modal, OK only
};

}  // namespace duza
