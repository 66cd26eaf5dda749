// Whole numbers as the platform keeps them: 16-bit and 32-bit signed, overflow raises 6,
// floating point to integer rounds to nearest with ties to even, and text that is no
// number raises 13.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace duza {

std::int16_t CheckedInt16(std::int64_t value);
std::int32_t CheckedInt32(std::int64_t value);

// Nearest whole number, ties to even; NaN, infinities and values out of range raise 6.
double RoundHalfEven(double value);
std::int16_t RoundToInt16(double value);
std::int32_t RoundToInt32(double value);

// Reads text as a number: optional blanks around, an optional sign, decimal digits with
// an optional fraction and an optional exponent (E or D). At least one digit is needed;
// anything else, the empty text included, raises 13. A value beyond double range
// raises 6.
double TextToDouble(std::u16string_view text);
// TextToDouble, then the 16-bit conversion.
std::int16_t TextToInt16(std::u16string_view text);

// Decimal text without blanks or fill, "-" before a negative number.
std::u16string DecimalText(std::int64_t value);

}  // namespace duza
