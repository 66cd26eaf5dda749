// A view that records everything the update run does to the window, in order.
#pragma once

#include <string>
#include <vector>

#include "app/update_view.h"
#include "platform/numbers.h"

namespace duza::testing {

struct RecordingView : UpdateView {
  std::u16string client = u"VIVI";
  std::u16string data_directory = u"D:\\RAZ";
  std::u16string web_directory;
  bool sql_login = false;
  std::u16string login_name = u"sa";
  std::u16string password = u"quietharbour";

  std::vector<std::u16string> events;  // "status:...", "message:...", "arrow", ...
  std::vector<std::u16string> reads;   // the fields read, in order

  std::vector<std::u16string> StatusLines() const { return Matching(u"status:"); }
  std::vector<std::u16string> Messages() const { return Matching(u"message:"); }

  std::u16string ClientText() override { return Read(u"Client", client); }
  std::u16string DataDirectoryText() override { return Read(u"Text1", data_directory); }
  std::u16string WebDirectoryText() override { return Read(u"WebDirbox", web_directory); }
  bool SqlLoginSelected() override {
    reads.push_back(u"Option2");
    return sql_login;
  }
  std::u16string LoginNameText() override { return Read(u"saname", login_name); }
  std::u16string PasswordText() override { return Read(u"pwd", password); }

  void AppendStatus(std::u16string_view text) override {
    events.push_back(u"status:" + std::u16string(text));
  }
  void SetStatusBoxWidth(float twips) override {
    events.push_back(u"width:" + DecimalText(static_cast<std::int64_t>(twips)));
  }
  void EnableStatusBox() override { events.push_back(u"enable StatusBox"); }
  void EnableExitButton() override { events.push_back(u"enable Command2"); }
  void SetArrowPointer() override { events.push_back(u"arrow"); }
  void ShowMessage(std::u16string_view text) override {
    events.push_back(u"message:" + std::u16string(text));
  }

 private:
  std::u16string Read(const char16_t* name, const std::u16string& value) {
    reads.push_back(name);
    return value;
  }
  std::vector<std::u16string> Matching(std::u16string_view prefix) const {
    std::vector<std::u16string> found;
    for (const auto& event : events) {
      if (event.rfind(prefix, 0) == 0) found.push_back(event.substr(prefix.size()));
    }
    return found;
  }
};

}  // namespace duza::testing
