// The binary shell link (.lnk) format that Windows reads, as published (MS-SHLLINK):
//
//   ShellLinkHeader   0x4C bytes: HeaderSize 0x4C, LinkCLSID {00021401-0000-0000-C000-
//                     000000000046}, LinkFlags, FileAttributes, three FILETIMEs, FileSize,
//                     IconIndex, ShowCommand, HotKey, three reserved fields; little-endian
//   LinkTargetIDList  when HasLinkTargetIDList: a 16-bit size and the shell's item list
//   LinkInfo          when HasLinkInfo: a 32-bit size and the target's volume and path
//   StringData        in this order, each present when its flag is set: NAME_STRING
//                     (description), RELATIVE_PATH, WORKING_DIR, COMMAND_LINE_ARGUMENTS,
//                     ICON_LOCATION; each a 16-bit count of characters and the characters,
//                     UTF-16LE when IsUnicode is set, the ANSI code page otherwise
//   ExtraData         blocks of a 32-bit size and a 32-bit signature, ended by a size below 4
//
// The writer stores the target without an item list: the shell builds an item list only by
// parsing the target in its own namespace (a web address becomes an item of the Internet
// folder, whose layout is not published). It writes the target twice in published forms
// that Windows resolves by parsing them again: as RELATIVE_PATH and in the
// EnvironmentVariableDataBlock (signature 0xA0000001, HasExpString), which holds the target
// in ANSI (260 bytes) and UTF-16 (520 bytes). Times, file size and file attributes are 0:
// the target is no file.
//
// The reader takes any link file (of ours or of Windows): it skips the item list, reads the
// local base path of LinkInfo, the strings and the environment block, and checks every
// size against the bytes at hand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace duza {

inline constexpr std::uint32_t kLinkHasTargetIdList = 0x00000001;
inline constexpr std::uint32_t kLinkHasLinkInfo = 0x00000002;
inline constexpr std::uint32_t kLinkHasName = 0x00000004;
inline constexpr std::uint32_t kLinkHasRelativePath = 0x00000008;
inline constexpr std::uint32_t kLinkHasWorkingDir = 0x00000010;
inline constexpr std::uint32_t kLinkHasArguments = 0x00000020;
inline constexpr std::uint32_t kLinkHasIconLocation = 0x00000040;
inline constexpr std::uint32_t kLinkIsUnicode = 0x00000080;
inline constexpr std::uint32_t kLinkHasExpString = 0x00000200;

inline constexpr std::size_t kLinkHeaderSize = 0x4C;
inline constexpr std::uint32_t kEnvironmentBlockSignature = 0xA0000001;
inline constexpr std::uint32_t kEnvironmentBlockSize = 0x314;
// The environment block's target fields hold at most this many characters and a NUL.
inline constexpr std::size_t kMaxLinkTargetLength = 259;

struct ShellLinkData {
  std::uint32_t flags = 0;  // as read; the writer derives its own
  std::u16string target;    // the environment block's, else LinkInfo's path, else RELATIVE_PATH
  std::u16string relative_path;
  std::u16string environment_target;  // the environment block's UTF-16 target
  std::u16string local_base_path;     // LinkInfo
  std::u16string description;
  std::u16string working_directory;
  std::u16string arguments;
  std::u16string icon_location;
  std::int32_t icon_index = 0;
  std::int32_t show_command = 1;
};

// The file's bytes for a link to `data.target` with the other fields of `data` (flags and
// the read-only fields are ignored). Raises 5 when the target is empty or longer than
// kMaxLinkTargetLength, a string is longer than 65535 characters, or any text holds a NUL.
std::string EncodeShellLink(const ShellLinkData& data);

// Reads a link file. Raises 5 with a description of the first fault for bytes that are no
// well-formed link.
ShellLinkData DecodeShellLink(std::string_view bytes);

}  // namespace duza
