// The shortcut to the local web server's default page, written as a Windows shell link.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/shell_link.h"

namespace duza::hostprep {

inline constexpr char16_t kShortcutFileName[] = u"\\DUZA.lnk";
inline constexpr char16_t kShortcutTarget[] = u"http://localhost/default.htm";
inline constexpr char16_t kShortcutDescription[] = u"ShellLink Sample";
inline constexpr std::int32_t kShowMaximized = 3;

// The link file for `folder`: the folder's text followed by "\DUZA.lnk", with no separator
// added or removed.
std::u16string DesktopShortcutFile(std::u16string_view folder);

// Writes DUZA.lnk into `folder`, opening the local default page maximized. Whether it
// worked is not reported.
void CreateDesktopShortcut(std::u16string_view folder);
void CreateDesktopShortcut(std::u16string_view folder, const ShellLinkFactory& factory);

// Fills a shell link and saves it as `link_file`. True when the file has been saved; False
// for an empty link file or target (before any object exists) and for any failure of the
// object or its methods, in which case nothing has been written. Empty working directory,
// arguments and icon file leave their methods uncalled.
bool CreateShortcut(std::u16string_view link_file, std::u16string_view target,
                    std::u16string_view working_directory, std::u16string_view arguments,
                    std::u16string_view icon_file, std::int32_t icon_index,
                    std::int32_t show_command);
bool CreateShortcut(std::u16string_view link_file, std::u16string_view target,
                    std::u16string_view working_directory, std::u16string_view arguments,
                    std::u16string_view icon_file, std::int32_t icon_index,
                    std::int32_t show_command, const ShellLinkFactory& factory);

}  // namespace duza::hostprep
