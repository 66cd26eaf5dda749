// The platform's shell link object as the shortcut writer uses it: the methods of
// IShellLinkA and IPersistFile that it calls, each answering with an HRESULT (negative means
// failure). On Windows the system's own ShellLink class; elsewhere our writer of the
// published link format (platform/shell_link_format.h), which Windows reads.
//
// Texts reach the object in the ANSI code page, as through IShellLinkA: a character the
// code page lacks arrives as '?'. The file name of Save is passed as UTF-16.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace duza {

using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kEAccessDenied = static_cast<HResult>(0x80070005);
inline constexpr HResult kEPathNotFound = static_cast<HResult>(0x80070003);

// Resolve's flag: update the link if its target has moved.
inline constexpr std::uint32_t kResolveUpdate = 4;

class ShellLink {
 public:
  virtual ~ShellLink() = default;
  virtual HResult SetPath(std::u16string_view path) = 0;
  virtual HResult SetWorkingDirectory(std::u16string_view folder) = 0;
  virtual HResult SetArguments(std::u16string_view arguments) = 0;
  virtual HResult SetDescription(std::u16string_view description) = 0;
  virtual HResult SetIconLocation(std::u16string_view icon_file, std::int32_t index) = 0;
  virtual HResult SetShowCmd(std::int32_t show_command) = 0;
  virtual HResult Resolve(std::intptr_t owner_window, std::uint32_t flags) = 0;
  // IPersistFile::Save.
  virtual HResult Save(std::u16string_view file, bool remember) = 0;
};

// Creates one shell link object; raises 429 when the platform cannot create it.
std::unique_ptr<ShellLink> CreateShellLink();

using ShellLinkFactory = std::function<std::unique_ptr<ShellLink>()>;

}  // namespace duza
