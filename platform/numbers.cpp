#include "platform/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/error.h"

namespace duza {
namespace {

template <class Int>
Int CheckedNarrow(std::int64_t value) {
  if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
    Raise(err::kOverflow);
  }
  return static_cast<Int>(value);
}

template <class Int>
Int RoundToInt(double value) {
  const double whole = RoundHalfEven(value);
  if (whole < static_cast<double>(std::numeric_limits<Int>::min()) ||
      whole > static_cast<double>(std::numeric_limits<Int>::max())) {
    Raise(err::kOverflow);
  }
  return static_cast<Int>(whole);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Rough decimal exponent of a well-formed number: positive for a huge one, negative or
// zero for a tiny one. Only consulted when the number is out of double range.
long DecimalMagnitude(const std::string& number) {
  const std::size_t e = number.find('e');
  const std::string mantissa = number.substr(0, e);
  const long exponent = e == std::string::npos ? 0 : std::strtol(number.c_str() + e + 1, nullptr, 10);
  const std::size_t point = mantissa.find('.');
  const std::string whole = mantissa.substr(0, point);
  const std::size_t first_significant = whole.find_first_not_of("+-0");
  if (first_significant != std::string::npos) {
    return static_cast<long>(whole.size() - first_significant) + exponent;
  }
  const std::string fraction = point == std::string::npos ? "" : mantissa.substr(point + 1);
  const std::size_t zeros = fraction.find_first_not_of('0');
  return exponent - static_cast<long>(zeros == std::string::npos ? fraction.size() : zeros);
}

}  // namespace

std::int16_t CheckedInt16(std::int64_t value) { return CheckedNarrow<std::int16_t>(value); }
std::int32_t CheckedInt32(std::int64_t value) { return CheckedNarrow<std::int32_t>(value); }

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) Raise(err::kOverflow);
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction < 0.5) return floor;
  if (fraction > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int16_t RoundToInt16(double value) { return RoundToInt<std::int16_t>(value); }
std::int32_t RoundToInt32(double value) { return RoundToInt<std::int32_t>(value); }

double TextToDouble(std::u16string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto skip_blanks = [&] {
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  };
  std::string ascii;  // the number in plain ASCII spelling, for from_chars
  skip_blanks();
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) {
    ascii += static_cast<char>(text[i++]);
    ++digits;
  }
  if (i < n && text[i] == u'.') {
    ascii += '.';
    ++i;
    while (i < n && IsDigit(text[i])) {
      ascii += static_cast<char>(text[i++]);
      ++digits;
    }
  }
  if (digits == 0) Raise(err::kTypeMismatch);
  if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
    ascii += 'e';
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
    std::size_t exponent_digits = 0;
    while (i < n && IsDigit(text[i])) {
      ascii += static_cast<char>(text[i++]);
      ++exponent_digits;
    }
    if (exponent_digits == 0) Raise(err::kTypeMismatch);
  }
  skip_blanks();
  if (i != n) Raise(err::kTypeMismatch);
  // from_chars ignores the process locale (a Qt program sets it from the environment)
  // and rejects a leading '+', which the platform accepts.
  const char* first = ascii.data();
  if (*first == '+') ++first;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(first, ascii.data() + ascii.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold is zero; only a magnitude beyond double range is an overflow.
    if (DecimalMagnitude(ascii) > 0) Raise(err::kOverflow);
    return 0.0;
  }
  if (ec != std::errc() || end != ascii.data() + ascii.size()) Raise(err::kTypeMismatch);
  return value;
}

std::int16_t TextToInt16(std::u16string_view text) { return RoundToInt16(TextToDouble(text)); }

std::u16string DecimalText(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace duza
