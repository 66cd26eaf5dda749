// The platform's string functions that the tool relies on. Text is UTF-16, counted in
// UTF-16 units; positions count from 1, and a search that finds nothing reports 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace duza {

// Characters from `start` on (all of them, or at most `length`). A start beyond the end
// gives the empty text; a start below 1 or a negative length raises 5.
std::u16string Mid(std::u16string_view text, std::int32_t start);
std::u16string Mid(std::u16string_view text, std::int32_t start, std::int32_t length);

// The first / last `count` characters, or the whole text when it is shorter. A negative
// count raises 5.
std::u16string Left(std::u16string_view text, std::int32_t count);
std::u16string Right(std::u16string_view text, std::int32_t count);

// Position of the first exact occurrence of `what` at or after `start`; 0 when there is
// none or when `start` lies beyond the end. An empty `what` is found at `start`. A start
// below 1 raises 5.
std::int32_t InStr(std::int32_t start, std::u16string_view text, std::u16string_view what);

// Length of a text as the platform's 32-bit count; raises 6 for a text it cannot count.
std::int32_t Len(std::u16string_view text);

// Removes leading and trailing blanks (code 32 only: tabs, NULs and line breaks stay).
std::u16string TrimBlanks(std::u16string_view text);

// Lower-cases the letters of the ASCII and Latin-1 ranges; every other unit stays.
std::u16string LowerCase(std::u16string_view text);

// Conversions for the world outside the platform (files, terminals, Qt is separate).
// Invalid sequences become U+FFFD; nothing is dropped silently.
std::string Utf8FromUtf16(std::u16string_view text);
// UTF-16 stored little-endian, two bytes a unit, as in binary files; an odd last byte is
// dropped.
std::u16string Utf16FromLittleEndian(std::string_view bytes);
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace duza
