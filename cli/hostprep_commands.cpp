// Subcommands over the host preparation routines. Each changes the machine it runs on, as
// its description says.
#include <ostream>

#include "cli/subcommand.h"
#include "hostprep/host_preparation.h"
#include "hostprep/shortcut.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza::cli {
namespace {

int NoArguments(const std::vector<std::string>& args, std::string_view name, Streams& streams) {
  if (!args.empty()) {
    return ReportUsage(std::string(name) + " takes no arguments", streams);
  }
  return kExitOk;
}

int SetFolderAttributesCommand(const std::vector<std::string>& args, Streams& streams) {
  std::string folder;
  int mode = -1;  // 1 protect, 0 release
  for (const auto& arg : args) {
    if (arg == "--protect" || arg == "--release") {
      const int wanted = arg == "--protect" ? 1 : 0;
      if (mode != -1 && mode != wanted) {
        return ReportUsage("set-folder-attributes: --protect and --release exclude each other",
                           streams);
      }
      mode = wanted;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      return ReportUsage("set-folder-attributes: unknown option '" + arg + "'", streams);
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return ReportUsage("set-folder-attributes: more than one folder given", streams);
    }
  }
  if (folder.empty()) return ReportUsage("set-folder-attributes: missing DIR", streams);
  if (mode == -1) return ReportUsage("set-folder-attributes: give --protect or --release", streams);
  hostprep::SetFolderAttributes(Utf16FromUtf8(folder), mode == 1);
  return kExitOk;
}

int RemoveDefaultDocumentsCommand(const std::vector<std::string>& args, Streams& streams) {
  if (const int usage = NoArguments(args, "remove-default-documents", streams)) return usage;
  hostprep::RemoveDefaultDocuments();
  return kExitOk;
}

int CreateShortcutCommand(const std::vector<std::string>& args, Streams& streams) {
  if (args.size() != 1) return ReportUsage("create-shortcut: give exactly one DIR", streams);
  const std::u16string link_file = hostprep::DesktopShortcutFile(Utf16FromUtf8(args[0]));
  // The routine itself keeps quiet about a failure; the command line says it.
  if (!hostprep::CreateShortcut(link_file, hostprep::kShortcutTarget, u"", u"", u"", 0,
                                hostprep::kShowMaximized)) {
    return ReportError(PlatformError(err::kPathFileAccessError,
                                     u"The shortcut " + link_file + u" could not be written"),
                       streams);
  }
  streams.out << Utf8FromUtf16(link_file) << "\n";
  return kExitOk;
}

template <void (*Routine)()>
int CommandRunCommand(const std::vector<std::string>& args, Streams& streams) {
  if (const int usage = NoArguments(args, "this subcommand", streams)) return usage;
  Routine();
  return kExitOk;
}

std::vector<Subcommand> HostPreparationCommands() {
  return {
      {"set-folder-attributes", "set-folder-attributes DIR --protect|--release",
       "Changes the attributes of every file and folder below DIR (not DIR itself): --protect "
       "makes them read-only (and web pages and libraries also hidden), --release makes them "
       "all normal and writable again by their owner",
       SetFolderAttributesCommand},
      {"remove-default-documents", "remove-default-documents",
       "Deletes default.asp, default.aspx, default.html, index.asp, index.aspx, index.htm, "
       "index.html, iisstart.htm and iisstart.asp from the current directory, read-only ones "
       "too (default.htm stays)",
       RemoveDefaultDocumentsCommand},
      {"create-shortcut", "create-shortcut DIR",
       "Writes (or replaces) the shortcut DIR\\DUZA.lnk to http://localhost/default.htm, "
       "opening maximized",
       CreateShortcutCommand},
      {"configure-iis-components", "configure-iis-components",
       "Runs the Windows optional-component setup (sysocmgr) with the answer file "
       "IISComponents.txt of the current directory, adding or removing web server components",
       CommandRunCommand<hostprep::ConfigureIisComponents>},
      {"start-sql-server", "start-sql-server",
       "Starts the SQL Server service MSSQLSERVER (NET Start)",
       CommandRunCommand<hostprep::StartSqlServer>},
      {"stop-sql-server", "stop-sql-server",
       "Stops the SQL Server service MSSQLSERVER (NET Stop)",
       CommandRunCommand<hostprep::StopSqlServer>},
  };
}

}  // namespace

std::vector<Subcommand> HostprepCommands() { return HostPreparationCommands(); }

}  // namespace duza::cli
