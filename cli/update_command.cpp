// The update run from the command line: the same run as the window's button, its status
// lines on standard output as the status box gets them, then the closing message.
#include <ostream>
#include <string>
#include <vector>

#include "app/update_run.h"
#include "app/update_view.h"
#include "cli/logon_options.h"
#include "cli/subcommand.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"

namespace duza::cli {
namespace {

// A terminal ends lines with LF alone; the run's CR LF pairs become that.
std::string TerminalText(std::u16string_view text) {
  std::u16string lines(text);
  for (std::size_t at = lines.find(u"\r\n"); at != std::u16string::npos;
       at = lines.find(u"\r\n", at)) {
    lines.erase(at, 1);
    ++at;
  }
  return Utf8FromUtf16(lines);
}

class ConsoleUpdateView final : public UpdateView {
 public:
  ConsoleUpdateView(std::u16string web_directory, bool sql_login, std::u16string login_name,
                    std::u16string password, std::ostream& out)
      : web_directory_(std::move(web_directory)),
        sql_login_(sql_login),
        login_name_(std::move(login_name)),
        password_(std::move(password)),
        out_(out) {}

  std::u16string ClientText() override { return std::u16string(kDefaultClient); }
  std::u16string DataDirectoryText() override { return std::u16string(kDefaultDataDirectory); }
  std::u16string WebDirectoryText() override { return web_directory_; }
  bool SqlLoginSelected() override { return sql_login_; }
  std::u16string LoginNameText() override { return login_name_; }
  std::u16string PasswordText() override { return password_; }

  void AppendStatus(std::u16string_view text) override {
    out_ << TerminalText(text) << '\n' << std::flush;
  }
  // The window's geometry, enabled states and pointer have no counterpart on a terminal.
  void SetStatusBoxWidth(float) override {}
  void EnableStatusBox() override {}
  void EnableExitButton() override {}
  void SetArrowPointer() override {}

  void ShowMessage(std::u16string_view text) override {
    std::string shown = TerminalText(text);
    if (!shown.empty() && shown.back() == '\n') shown.pop_back();
    out_ << shown << '\n' << std::flush;
  }

 private:
  std::u16string web_directory_;
  bool sql_login_;
  std::u16string login_name_;
  std::u16string password_;
  std::ostream& out_;
};

int RunUpdate(const std::vector<std::string>& args, Streams& streams) {
  const auto options = ParseLogonOptions(args, streams, /*allow_show_password=*/false);
  if (!options) return kExitUsage;
  const bool sql_login = options->sql_login.has_value();
  ConsoleUpdateView view(Utf16FromUtf8(options->web_directory), sql_login,
                         sql_login ? Utf16FromUtf8(*options->sql_login) : u"",
                         sql_login ? Utf16FromUtf8(ReadPasswordLine(streams.in)) : u"",
                         streams.out);
  const UpdateOutcome outcome = RunSchemaUpdate(view, MakeOdbcConnectionFactory());
  return outcome == UpdateOutcome::kSucceeded ? kExitOk : kExitFailure;
}

}  // namespace

std::vector<Subcommand> UpdateCommands() {
  return {
      {"update", "update [--web-dir DIR] [--sql-login NAME --password-stdin]",
       "Creates the tables VIVI.FINPERIOD and VIVI.FINPERIOD2POS in the database that "
       "web.config of DIR (default C:\\Inetpub\\wwwroot) names, as the window's update "
       "button does: Windows logon, or the SQL Server login NAME with the password on the "
       "first line of standard input. Prints the status lines, then the closing message; "
       "exits 0 only when the update succeeded.",
       RunUpdate},
  };
}

}  // namespace duza::cli
