// The options that say where web.config is and how to log on, shared by the subcommands
// that build a connection string the way an update does.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/subcommand.h"

namespace duza::cli {

// The window's design-time texts: the data directory and the client code only have to be
// non-empty for a run to go on, and the web directory is what the window proposes.
inline constexpr std::u16string_view kDefaultClient = u"VIVI";
inline constexpr std::u16string_view kDefaultDataDirectory = u"D:\\RAZ";
inline constexpr std::string_view kDefaultWebDirectory = "C:\\Inetpub\\wwwroot";

struct LogonOptions {
  std::string web_directory{kDefaultWebDirectory};
  std::optional<std::string> sql_login;
  bool password_stdin = false;
  bool show_password = false;
};

bool IsOption(const std::string& arg);

// [--web-dir DIR] [--sql-login NAME --password-stdin] and, where allowed,
// [--show-password]; "--name=value" is accepted too. Nothing when the command line is
// wrong (already reported).
std::optional<LogonOptions> ParseLogonOptions(const std::vector<std::string>& args,
                                              Streams& streams, bool allow_show_password);

// One line of standard input without its line end; no input at all is the empty password.
std::string ReadPasswordLine(std::istream& in);

}  // namespace duza::cli
