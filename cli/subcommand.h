// The companion command-line program is a table of subcommands; each group of them lives
// in a file of its own and hands its rows to the dispatcher.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace duza {
class PlatformError;
}

namespace duza::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the operation failed
inline constexpr int kExitUsage = 2;    // the command line was wrong

struct Subcommand {
  std::string_view name;
  std::string_view synopsis;     // "encode TEXT"
  std::string_view description;  // one line for --help
  int (*run)(const std::vector<std::string>& args, Streams& streams);
};

// "error N: description" on standard error; returns kExitFailure.
int ReportError(const PlatformError& error, Streams& streams);
// "usage: ..." on standard error; returns kExitUsage.
int ReportUsage(std::string_view message, Streams& streams);

// Dispatches argv (without the program name) to its subcommand.
int RunCli(const std::vector<std::string>& args, Streams& streams);

}  // namespace duza::cli
