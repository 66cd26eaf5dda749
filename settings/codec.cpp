#include "settings/codec.h"

#include <cmath>
#include <optional>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace duza {
namespace {

// The longest masked length the form has room for: three digits.
constexpr std::int16_t kLargestMaskedLength = 999;

// The width code's first decimal digit times its last, plus 20. The digits are those of the
// code's own decimal text, so a one-digit code meets its digit twice ("5" gives 45).
std::int16_t CharacterOffset(std::int16_t width_code) {
  const std::u16string digits = DecimalText(width_code);
  const double first = TextToDouble(Left(digits, 1));
  const double last = TextToDouble(Right(digits, 1));
  return RoundToInt16(first * last + 20.0);
}

std::int16_t BandTop(std::int16_t masked_length) {
  if (masked_length >= 100) return 33;
  if (masked_length < 10) return 99;
  return 66;
}

std::u16string Filled(std::int16_t value, std::int32_t width, std::u16string_view fill) {
  return Right(std::u16string(fill) + DecimalText(value), width);
}

// A draw of the encoder's source outside [0, 1) would give a field the form cannot carry;
// refuse it rather than write a value that decodes to something else.
std::int16_t DrawnField(RandomSource& source, std::int32_t range) {
  const std::int16_t value = RoundToInt16(RandomNumber(source, 0, range));
  if (value < 0 || value >= range) {
    Raise(err::kInvalidProcedureCall,
          u"Invalid procedure call or argument: the random source drew outside [0, 1)");
  }
  return value;
}

// "U+20AC", as a description names a character that may not display.
std::u16string CodePointText(char16_t character) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text = u"U+";
  for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(character >> shift) & 0xF];
  return text;
}

// The character code of the three-digit group at `start`. The encoder writes every group as
// three plain digits, read here directly; anything else (a short group at the end, blanks, a
// sign, a decimal point) goes through the platform's conversion, which gives the same value
// for plain digits and raises its errors for the rest.
std::int32_t GroupCode(std::u16string_view text, std::int16_t start, std::int16_t offset) {
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (start >= 1 && from + 3 <= text.size()) {
    const char16_t a = text[from], b = text[from + 1], c = text[from + 2];
    if (a >= u'0' && a <= u'9' && b >= u'0' && b <= u'9' && c >= u'0' && c <= u'9') {
      return (a - u'0') * 100 + (b - u'0') * 10 + (c - u'0') - offset;
    }
  }
  return RoundToInt32(TextToDouble(Mid(text, start, 3)) - offset);
}

}  // namespace

double RandomNumber(RandomSource& source, std::int32_t low, std::int32_t range) {
  return std::floor(source.NextUnit() * static_cast<double>(range)) + static_cast<double>(low);
}

std::u16string EncodeConnectionString(std::u16string_view plain_text, RandomSource& source) {
  const std::int16_t length = CheckedInt16(Len(plain_text));
  const std::int16_t mask = DrawnField(source, 33);
  const auto masked_length = static_cast<std::int16_t>(length ^ mask);
  // The decoder would read only the last three digits of a longer masked length and give
  // back another text; such a plaintext has no encoded form.
  if (masked_length > kLargestMaskedLength) {
    Raise(err::kInvalidProcedureCall,
          u"Invalid procedure call or argument: the text is too long to encode (masked length " +
              DecimalText(masked_length) + u")");
  }
  const std::int16_t width_code = CheckedInt16(BandTop(masked_length) - mask);
  const std::int16_t offset = CharacterOffset(width_code);

  std::u16string groups;
  groups.reserve(plain_text.size() * 3);
  std::int16_t position = 0;
  for (const char16_t character : plain_text) {
    position = CheckedInt16(position + 1);
    const std::optional<std::uint8_t> code = AnsiCodeOf(character);
    if (!code) {
      Raise(err::kInvalidProcedureCall,
            u"Invalid procedure call or argument: character " + DecimalText(position) +
                u" (" + CodePointText(character) + u") has no code in the ANSI code page");
    }
    groups += Filled(CheckedInt16(*code + offset), 3, u"0");
  }

  const std::int16_t prefix = DrawnField(source, 1000);
  return Filled(prefix, 3, u"00") + groups + DecimalText(masked_length) +
         Filled(width_code, 2, u"0") + Filled(mask, 2, u"0");
}

std::u16string DecodeConnectionString(std::u16string_view encoded_text) {
  // Fields are read by position; one that is no number (the empty text of a read past the
  // end included) raises 13, one that starts before the text raises 5.
  const std::u16string text(encoded_text);
  const std::int32_t length = Len(text);
  const std::int16_t mask = TextToInt16(Right(text, 2));
  const std::int32_t width_code_position = length - 3;
  const std::int16_t width_code = TextToInt16(Mid(text, width_code_position, 2));
  const std::int16_t offset = CharacterOffset(width_code);
  const std::int32_t width = width_code > 66 ? 1 : (width_code <= 33 ? 3 : 2);
  const std::int16_t count =
      static_cast<std::int16_t>(TextToInt16(Mid(text, width_code_position - width, width)) ^ mask);

  std::u16string plain;
  if (count > 0) plain.reserve(static_cast<std::size_t>(count));
  for (std::int32_t k = 1; k <= count; ++k) {
    // 16-bit like the rest: the 10923rd group would start at 32770 and overflows here.
    const std::int32_t start32 = (k - 1) * 3 + 4;
    if (start32 > 32767) Raise(err::kOverflow);
    const auto start = static_cast<std::int16_t>(start32);
    plain += AnsiCharacter(GroupCode(text, start, offset));
  }
  return plain;
}

}  // namespace duza
