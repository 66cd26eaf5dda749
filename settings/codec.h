// The encoded form in which the web application keeps its connection string: decimal
// digits only, laid out as
//
//   prefix    3 digits, a random number 0..999 (never read back)
//   groups    3 digits per character: its ANSI code plus the character offset
//   masked    the length XOR mask, 1 to 3 digits, without fill
//   width     2 digits: band top (99, 66 or 33 by the masked length's digits) minus mask
//   mask      2 digits, a random number 0..32
//
// The character offset is the width code's first digit times its last digit, plus 20.
// Lengths, codes and positions are 16-bit signed numbers as the platform keeps them, so
// overflow, type mismatch and invalid argument surface as the platform's errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace duza {

// The encoder's source of uniform draws in [0, 1).
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual double NextUnit() = 0;
};

// The whole part of r * range, plus low, for one draw r of the source.
double RandomNumber(RandomSource& source, std::int32_t low, std::int32_t range);

// Draws the mask, then the prefix. A text whose masked length would need four digits, or
// that holds a character without a code in the ANSI code page, has no encoded form and is
// refused with 5 (the decoder would give back another text); more than 32767 characters
// overflow (6) before any draw.
std::u16string EncodeConnectionString(std::u16string_view plain_text, RandomSource& source);
std::u16string DecodeConnectionString(std::u16string_view encoded_text);

}  // namespace duza
