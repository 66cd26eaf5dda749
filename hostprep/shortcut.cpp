#include "hostprep/shortcut.h"

#include <memory>

namespace duza::hostprep {
namespace {

bool Failed(HResult result) { return result < 0; }

}  // namespace

std::u16string DesktopShortcutFile(std::u16string_view folder) {
  return std::u16string(folder) + kShortcutFileName;
}

void CreateDesktopShortcut(std::u16string_view folder) {
  CreateDesktopShortcut(folder, CreateShellLink);
}

void CreateDesktopShortcut(std::u16string_view folder, const ShellLinkFactory& factory) {
  static_cast<void>(CreateShortcut(DesktopShortcutFile(folder), kShortcutTarget, u"", u"", u"", 0,
                                   kShowMaximized, factory));
}

bool CreateShortcut(std::u16string_view link_file, std::u16string_view target,
                    std::u16string_view working_directory, std::u16string_view arguments,
                    std::u16string_view icon_file, std::int32_t icon_index,
                    std::int32_t show_command) {
  return CreateShortcut(link_file, target, working_directory, arguments, icon_file, icon_index,
                        show_command, CreateShellLink);
}

bool CreateShortcut(std::u16string_view link_file, std::u16string_view target,
                    std::u16string_view working_directory, std::u16string_view arguments,
                    std::u16string_view icon_file, std::int32_t icon_index,
                    std::int32_t show_command, const ShellLinkFactory& factory) {
  if (link_file.empty() || target.empty()) return false;
  try {
    const std::unique_ptr<ShellLink> link = factory();
    if (!link) return false;
    if (Failed(link->SetPath(target))) return false;
    if (!working_directory.empty() && Failed(link->SetWorkingDirectory(working_directory))) {
      return false;
    }
    if (!arguments.empty() && Failed(link->SetArguments(arguments))) return false;
    if (Failed(link->SetDescription(kShortcutDescription))) return false;
    if (!icon_file.empty() && Failed(link->SetIconLocation(icon_file, icon_index))) return false;
    if (Failed(link->SetShowCmd(show_command))) return false;
    if (Failed(link->Resolve(0, kResolveUpdate))) return false;
    return !Failed(link->Save(link_file, false));
  } catch (...) {
    // Every failure of the object, whatever its kind, means no shortcut.
    return false;
  }
}

}  // namespace duza::hostprep
