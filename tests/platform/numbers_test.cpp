#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "tests/support/raises.h"

namespace duza {
namespace {

using testing::RaisedNumber;

TEST(CheckedIntTest, RaisesOverflowOutsideRange) {
  EXPECT_EQ(CheckedInt16(32767), 32767);
  EXPECT_EQ(CheckedInt16(-32768), -32768);
  EXPECT_RAISES(CheckedInt16(32768), 6);
  EXPECT_RAISES(CheckedInt16(-32769), 6);
  EXPECT_EQ(CheckedInt32(2147483647LL), 2147483647);
  EXPECT_RAISES(CheckedInt32(2147483648LL), 6);
  EXPECT_RAISES(CheckedInt32(-2147483649LL), 6);
}

struct RoundCase {
  const char* name;
  double value;
  double expected;
};

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, TiesGoToEven) {
  EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundHalfEvenTest,
    ::testing::Values(RoundCase{"Whole", 7.0, 7.0}, RoundCase{"HalfToEvenDown", 2.5, 2.0},
                      RoundCase{"HalfToEvenUp", 3.5, 4.0}, RoundCase{"ZeroPointFive", 0.5, 0.0},
                      RoundCase{"NegativeHalf", -2.5, -2.0},
                      RoundCase{"NegativeOddHalf", -3.5, -4.0},
                      RoundCase{"BelowHalf", 2.4999, 2.0}, RoundCase{"AboveHalf", 2.5001, 3.0},
                      RoundCase{"NegativeAboveHalf", -0.6, -1.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundToIntTest, RangeIsCheckedAfterRounding) {
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_RAISES(RoundToInt16(32767.5), 6);  // rounds to 32768
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);  // tie to the even -32768
  EXPECT_RAISES(RoundToInt16(-32769.0), 6);
  EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
  EXPECT_RAISES(RoundToInt32(2147483648.0), 6);
  EXPECT_RAISES(RoundToInt32(std::numeric_limits<double>::quiet_NaN()), 6);
  EXPECT_RAISES(RoundToInt32(std::numeric_limits<double>::infinity()), 6);
}

struct ParseCase {
  const char* name;
  std::u16string text;
  double expected;
  std::optional<std::int32_t> error;
};

class TextToDoubleTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TextToDoubleTest, ReadsNumbersAndRejectsTheRest) {
  const ParseCase& c = GetParam();
  double value = 0;
  EXPECT_EQ(RaisedNumber([&] { value = TextToDouble(c.text); }), c.error);
  if (!c.error) {
    EXPECT_EQ(value, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToDoubleTest,
    ::testing::Values(ParseCase{"Digits", u"135", 135, std::nullopt},
                      ParseCase{"LeadingZeros", u"07", 7, std::nullopt},
                      ParseCase{"AllZeros", u"000", 0, std::nullopt},
                      ParseCase{"Blanks", u" 42 ", 42, std::nullopt},
                      ParseCase{"Signs", u"-5", -5, std::nullopt},
                      ParseCase{"PlusSign", u"+5", 5, std::nullopt},
                      ParseCase{"Fraction", u"2.5", 2.5, std::nullopt},
                      ParseCase{"LeadingPoint", u".5", 0.5, std::nullopt},
                      ParseCase{"Exponent", u"1E3", 1000, std::nullopt},
                      ParseCase{"ExponentD", u"1d2", 100, std::nullopt},
                      ParseCase{"Underflow", u"1e-400", 0, std::nullopt},
                      ParseCase{"Empty", u"", 0, 13},
                      ParseCase{"OnlyBlanks", u"   ", 0, 13},
                      ParseCase{"Letters", u"ab", 0, 13},
                      ParseCase{"DigitsThenLetter", u"12a", 0, 13},
                      ParseCase{"InnerBlank", u"1 2", 0, 13},
                      ParseCase{"LoneSign", u"-", 0, 13},
                      ParseCase{"LonePoint", u".", 0, 13},
                      ParseCase{"ExponentWithoutDigits", u"1e", 0, 13},
                      ParseCase{"NulByte", std::u16string(u"1\0", 2), 0, 13},
                      ParseCase{"FullWidthDigit", u"\uFF11", 0, 13},
                      ParseCase{"BeyondDoubleRange", u"1e400", 0, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextToInt16Test, ConvertsWithRoundingAndRange) {
  EXPECT_EQ(TextToInt16(u"07"), 7);
  EXPECT_EQ(TextToInt16(u"2.5"), 2);
  EXPECT_EQ(TextToInt16(u"32767"), 32767);
  EXPECT_RAISES(TextToInt16(u"32768"), 6);
  EXPECT_RAISES(TextToInt16(u"x"), 13);
}

TEST(DecimalTextTest, PlainDigitsWithSign) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(135), u"135");
  EXPECT_EQ(DecimalText(-32768), u"-32768");
}

}  // namespace
}  // namespace duza
