#include "cli/logon_options.h"

#include <istream>

#include "cli/subcommand.h"

namespace duza::cli {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

std::optional<LogonOptions> ParseLogonOptions(const std::vector<std::string>& args,
                                              Streams& streams, bool allow_show_password) {
  LogonOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inline_value;
    if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inline_value = name.substr(equals + 1);
      name.resize(equals);
    }
    const auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      ReportUsage("option '" + name + "' needs a value", streams);
      return std::nullopt;
    };
    const auto no_value = [&] {
      if (inline_value) ReportUsage("option '" + name + "' takes no value", streams);
      return !inline_value;
    };
    if (name == "--web-dir") {
      const auto dir = value();
      if (!dir) return std::nullopt;
      options.web_directory = *dir;
    } else if (name == "--sql-login") {
      options.sql_login = value();
      if (!options.sql_login) return std::nullopt;
    } else if (name == "--password-stdin") {
      if (!no_value()) return std::nullopt;
      options.password_stdin = true;
    } else if (name == "--show-password" && allow_show_password) {
      if (!no_value()) return std::nullopt;
      options.show_password = true;
    } else {
      ReportUsage(IsOption(name) ? "unknown option '" + name + "'"
                                 : "unexpected argument '" + name + "'",
                  streams);
      return std::nullopt;
    }
  }
  if (options.sql_login.has_value() != options.password_stdin) {
    ReportUsage("--sql-login and --password-stdin go together", streams);
    return std::nullopt;
  }
  return options;
}

std::string ReadPasswordLine(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace duza::cli
