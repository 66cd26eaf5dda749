// Routines that prepare the machine hosting the web application: the optional-component
// setup for the web server, the start and stop of the database service, the attributes of
// the files below a folder and the removal of the web servers' default documents. The
// window carries them as its operations and delegates here; nothing invokes them on its own.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/file_attributes.h"

namespace duza::hostprep {

// The command runs: fixed texts, started in a normal window, waited for. Their exit codes
// are not used.
struct CommandRun {
  std::u16string_view operation;
  std::u16string_view command;
  std::int16_t window_style;
  bool wait;
};

inline constexpr std::array<CommandRun, 3> kCommandRuns{{
    {u"ConfigureIisComponents",
     u"sysocmgr /i:%windir%\\inf\\sysoc.inf /u:IISComponents.txt /x /c", 1, true},
    {u"StartSqlServer", u"NET Start MSSQLSERVER", 1, true},
    {u"StopSqlServer", u"NET Stop MSSQLSERVER", 1, true},
}};

// Runs the optional-component setup with the answer file IISComponents.txt (found where the
// setup tool looks for it: the current folder).
void ConfigureIisComponents();
// Starts / stops the database service MSSQLSERVER.
void StartSqlServer();
void StopSqlServer();

// The attribute value a file of the folder `folder_path` gets: the first matching row of
// the file rule decides.
std::int16_t FileAttributeValue(std::u16string_view folder_path, std::u16string_view file_name,
                                bool protect);
// The attribute value every subfolder gets.
std::int16_t FolderAttributeValue(bool protect);

// Writes the attributes of every file and folder below `folder_path` (not of the folder
// itself): depth-first, all files of a folder, then each subfolder's own value followed by
// its whole tree. A child's path is `folder_path`, one backslash and its name, so the rule's
// look at the folder's path sees exactly what the caller typed. Symbolic links are neither
// changed nor followed, and a folder reached a second time (a mount of a folder inside
// itself) is not walked again. The first failure ends the whole walk; what was written
// before it stays written. `protect` is the caller's truth value (False, 0 and empty are
// false).
void SetFolderAttributes(std::u16string_view folder_path, bool protect);
void SetFolderAttributes(std::u16string_view folder_path, bool protect, FileItems& items);

// The nine default-document names of web servers, in the order they are removed.
inline constexpr std::array<std::u16string_view, 9> kDefaultDocumentNames{
    u"default.asp", u"default.aspx", u"default.html", u"index.asp", u"index.aspx",
    u"index.htm",   u"index.html",   u"iisstart.htm", u"iisstart.asp"};

// Deletes the files with the default-document names from the current directory, read-only
// ones included; default.htm is none of them. A symbolic link with one of the names is
// removed itself and its target kept. The first failure ends the removal; the names after
// it are not processed.
void RemoveDefaultDocuments();
void RemoveDefaultDocuments(FileItems& items);

}  // namespace duza::hostprep
