// Subcommands over the connection-string codec and the connection settings: encode and
// decode values of the VAREDO entry, and show the connection string an update would use.
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/logon_options.h"
#include "cli/subcommand.h"
#include "platform/error.h"
#include "platform/text.h"
#include "settings/codec.h"
#include "settings/connection_settings.h"
#include "settings/system_random_source.h"

namespace duza::cli {
namespace {

constexpr std::u16string_view kPasswordMask = u"***";

// The one operand of encode and decode; "--" lets an operand start with '-'.
std::optional<std::string> SingleOperand(const std::vector<std::string>& args,
                                         std::string_view what, Streams& streams) {
  std::vector<std::string> operands;
  bool options_done = false;
  for (const auto& arg : args) {
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && IsOption(arg)) {
      ReportUsage("unknown option '" + arg + "'", streams);
      return std::nullopt;
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() != 1) {
    ReportUsage("expected exactly one " + std::string(what), streams);
    return std::nullopt;
  }
  return operands.front();
}

int RunEncode(const std::vector<std::string>& args, Streams& streams) {
  const auto text = SingleOperand(args, "TEXT", streams);
  if (!text) return kExitUsage;
  SystemRandomSource source;
  streams.out << Utf8FromUtf16(EncodeConnectionString(Utf16FromUtf8(*text), source)) << "\n";
  return kExitOk;
}

int RunDecode(const std::vector<std::string>& args, Streams& streams) {
  const auto value = SingleOperand(args, "VALUE", streams);
  if (!value) return kExitUsage;
  streams.out << Utf8FromUtf16(DecodeConnectionString(Utf16FromUtf8(*value))) << "\n";
  return kExitOk;
}

int RunConnectionString(const std::vector<std::string>& args, Streams& streams) {
  const auto options = ParseLogonOptions(args, streams, /*allow_show_password=*/true);
  if (!options) return kExitUsage;

  const std::u16string web_directory_typed = Utf16FromUtf8(options->web_directory);
  RunInputFields fields{
      [] { return std::u16string(kDefaultClient); },
      [] { return std::u16string(kDefaultDataDirectory); },
      [&] { return web_directory_typed; },
      [&](std::u16string_view line) { streams.err << Utf8FromUtf16(line) << "\n"; },
  };
  const auto web_directory = CheckRunInputs(fields);
  if (!web_directory) return kExitOk;  // the run would end here, silently

  const std::u16string web_config = ReadWebConfig(*web_directory);
  const bool use_sql_login = options->sql_login.has_value();
  const std::u16string login = use_sql_login ? Utf16FromUtf8(*options->sql_login) : u"";
  const std::u16string password =
      options->password_stdin ? Utf16FromUtf8(ReadPasswordLine(streams.in)) : u"";

  const std::u16string connection_string =
      BuildConnectionString(web_config, use_sql_login, login, password);
  // The mask goes in through the same building, never by searching the result for the
  // password, which may be short enough to occur anywhere else in it.
  const std::u16string shown = use_sql_login && !options->show_password
                                   ? BuildConnectionString(web_config, true, login, kPasswordMask)
                                   : connection_string;
  streams.out << Utf8FromUtf16(shown) << "\n";
  return kExitOk;
}

}  // namespace

std::vector<Subcommand> CodecCommands() {
  return {
      {"encode", "encode TEXT",
       "Prints TEXT in the encoded form of the VAREDO entry of web.config (a new random "
       "mask and prefix each time).",
       RunEncode},
      {"decode", "decode VALUE",
       "Prints the connection string that the encoded VALUE holds.", RunDecode},
      {"connection-string",
       "connection-string [--web-dir DIR] [--sql-login NAME --password-stdin] "
       "[--show-password]",
       "Prints the connection string an update would use: web.config of DIR (default "
       "C:\\Inetpub\\wwwroot), Windows logon unless --sql-login names a SQL Server login "
       "whose password is the first line of standard input; the password shows as *** "
       "unless --show-password.",
       RunConnectionString},
  };
}

}  // namespace duza::cli
