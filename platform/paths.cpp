#include "platform/paths.h"

#include <string>

#include "platform/text.h"

namespace duza {

std::u16string TextOfPath(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  return std::u16string(wide.begin(), wide.end());
#else
  return Utf16FromUtf8(path.string());
#endif
}

#ifdef _WIN32

std::filesystem::path NativePath(std::u16string_view windows_path) {
  return std::filesystem::path(std::wstring(windows_path.begin(), windows_path.end()));
}

#else

std::filesystem::path NativePath(std::u16string_view windows_path) {
  std::u16string path(windows_path);
  const bool has_drive = path.size() >= 2 && path[1] == u':' &&
                         ((path[0] >= u'A' && path[0] <= u'Z') ||
                          (path[0] >= u'a' && path[0] <= u'z'));
  if (has_drive) {
    path.erase(0, 2);
    if (path.empty() || (path[0] != u'\\' && path[0] != u'/')) path.insert(0, 1, u'/');
  }
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return std::filesystem::path(Utf8FromUtf16(path));
}

#endif

}  // namespace duza
