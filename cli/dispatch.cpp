#include <ostream>

#include "cli/subcommand.h"
#include "cli/subcommand_groups.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza::cli {
namespace {

constexpr std::string_view kProgram = "duza-cli";

std::vector<Subcommand> AllSubcommands() {
  std::vector<Subcommand> all;
  for (const auto& group : SubcommandGroups()) {
    const auto rows = group();
    all.insert(all.end(), rows.begin(), rows.end());
  }
  return all;
}

void PrintHelp(const std::vector<Subcommand>& subcommands, std::ostream& out) {
  out << "usage: " << kProgram << " SUBCOMMAND [ARGUMENTS]\n\n"
      << "Administration of the DUZA database from the command line.\n\n"
      << "Subcommands:\n";
  for (const auto& sub : subcommands) {
    out << "  " << sub.synopsis << "\n      " << sub.description << "\n";
  }
  out << "\nErrors are reported on standard error as \"error N: description\" with exit code 1;"
         "\na wrong command line exits with code 2.\n";
}

}  // namespace

int ReportError(const PlatformError& error, Streams& streams) {
  streams.err << "error " << error.number() << ": " << Utf8FromUtf16(error.description())
              << "\n";
  return kExitFailure;
}

int ReportUsage(std::string_view message, Streams& streams) {
  streams.err << kProgram << ": " << message << "\n"
              << "Try '" << kProgram << " --help'.\n";
  return kExitUsage;
}

int RunCli(const std::vector<std::string>& args, Streams& streams) {
  const auto subcommands = AllSubcommands();
  if (args.empty()) return ReportUsage("missing subcommand", streams);
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(subcommands, streams.out);
    return kExitOk;
  }
  for (const auto& sub : subcommands) {
    if (sub.name == args[0]) {
      const std::vector<std::string> rest(args.begin() + 1, args.end());
      try {
        return sub.run(rest, streams);
      } catch (const PlatformError& error) {
        return ReportError(error, streams);
      }
    }
  }
  return ReportUsage("unknown subcommand '" + args[0] + "'", streams);
}

}  // namespace duza::cli
