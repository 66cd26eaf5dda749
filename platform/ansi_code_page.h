// Conversion between text and the system's ANSI code page (single-byte codes 0..255).
// On Windows this is the code page the system uses (GetACP); elsewhere Windows-1252, with
// its five unassigned bytes mapped to the same-numbered control characters so that every
// byte round-trips. Nothing else in the tool knows the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace duza {

// The single-byte code of a character, or nothing when the code page has none for it.
std::optional<std::uint8_t> AnsiCodeOf(char16_t character);

// The character that has `code` in the code page. A code outside 0..255 raises 5.
char16_t AnsiCharacter(std::int32_t code);

// Bytes in the code page to text, byte for byte.
std::u16string TextFromAnsi(std::string_view bytes);

// Text to bytes in the code page; a character without a code becomes '?', as the
// platform's own conversion does.
std::string AnsiFromText(std::u16string_view text);

}  // namespace duza
