// Paths typed the Windows way, resolved where the tool runs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace duza {

// On Windows the path as it is. Elsewhere a backslash is a separator, a leading drive
// letter ("C:") stands for the root, a path without a drive is rooted when it starts with
// a separator and relative to the working directory otherwise; a path typed the native
// way ("/srv/www") is unchanged.
std::filesystem::path NativePath(std::u16string_view windows_path);

// A native path as the tool's text, for messages and for handing back to the routines.
std::u16string TextOfPath(const std::filesystem::path& path);

}  // namespace duza
