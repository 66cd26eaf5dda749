#include "platform/ansi_code_page.h"

#include "platform/error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <array>
#endif

namespace duza {

#ifdef _WIN32

std::optional<std::uint8_t> AnsiCodeOf(char16_t character) {
  const wchar_t wide = static_cast<wchar_t>(character);
  char bytes[4] = {};
  BOOL used_default = FALSE;
  const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                          sizeof bytes, nullptr, &used_default);
  if (written != 1 || used_default) return std::nullopt;
  return static_cast<std::uint8_t>(bytes[0]);
}

char16_t AnsiCharacter(std::int32_t code) {
  if (code < 0 || code > 255) Raise(err::kInvalidProcedureCall);
  const char byte = static_cast<char>(code);
  wchar_t wide = 0;
  if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) != 1) {
    // A lone lead byte of a double-byte code page has no character of its own.
    Raise(err::kInvalidProcedureCall);
  }
  return static_cast<char16_t>(wide);
}

std::u16string TextFromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::u16string text(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                      needed);
  return text;
}

std::string AnsiFromText(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, size, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

#else

namespace {

// Windows-1252 from 0x80 to 0x9F; 0x81, 0x8D, 0x8F, 0x90 and 0x9D are unassigned there and
// keep their control characters. Every other byte is its own Latin-1 character.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t CharacterOfByte(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

}  // namespace

std::optional<std::uint8_t> AnsiCodeOf(char16_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<std::uint8_t>(character);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == character) return static_cast<std::uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

char16_t AnsiCharacter(std::int32_t code) {
  if (code < 0 || code > 255) Raise(err::kInvalidProcedureCall);
  return CharacterOfByte(static_cast<std::uint8_t>(code));
}

std::u16string TextFromAnsi(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) text += CharacterOfByte(static_cast<std::uint8_t>(byte));
  return text;
}

std::string AnsiFromText(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t character : text) {
    const auto code = AnsiCodeOf(character);
    bytes += static_cast<char>(code ? *code : '?');
  }
  return bytes;
}

#endif

}  // namespace duza
