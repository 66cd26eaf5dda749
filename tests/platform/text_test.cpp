#include "platform/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/raises.h"

namespace duza {
namespace {

using testing::RaisedNumber;

struct PositionCase {
  const char* name;
  std::u16string text;
  std::int32_t start;
  std::optional<std::int32_t> length;  // nothing: Mid without a length
  std::u16string expected;
  std::optional<std::int32_t> error;
};

class MidTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(MidTest, TakesCharactersFromAPosition) {
  const PositionCase& c = GetParam();
  std::u16string result;
  const auto call = [&] {
    result = c.length ? Mid(c.text, c.start, *c.length) : Mid(c.text, c.start);
  };
  EXPECT_EQ(RaisedNumber(call), c.error);
  if (!c.error) {
    EXPECT_EQ(result, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MidTest,
    ::testing::Values(
        PositionCase{"FromFirst", u"abcdef", 1, std::nullopt, u"abcdef", std::nullopt},
        PositionCase{"FromMiddle", u"abcdef", 3, 2, u"cd", std::nullopt},
        PositionCase{"LengthRunsPastEnd", u"abcdef", 5, 10, u"ef", std::nullopt},
        PositionCase{"StartJustPastEnd", u"abc", 4, 1, u"", std::nullopt},
        PositionCase{"StartFarPastEnd", u"abc", 40, std::nullopt, u"", std::nullopt},
        PositionCase{"ZeroLength", u"abc", 2, 0, u"", std::nullopt},
        PositionCase{"EmptyText", u"", 1, 3, u"", std::nullopt},
        PositionCase{"StartZero", u"abc", 0, 1, u"", 5},
        PositionCase{"StartNegative", u"abc", -1, std::nullopt, u"", 5},
        PositionCase{"NegativeLength", u"abc", 1, -1, u"", 5},
        PositionCase{"BadStartBeatsBadLength", u"abc", 0, -1, u"", 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LeftRightTest, TakeAtMostTheWholeText) {
  EXPECT_EQ(Left(u"abcdef", 2), u"ab");
  EXPECT_EQ(Left(u"abc", 9), u"abc");
  EXPECT_EQ(Left(u"abc", 0), u"");
  EXPECT_EQ(Right(u"abcdef", 2), u"ef");
  EXPECT_EQ(Right(u"a", 2), u"a");  // shorter than asked: the whole text
  EXPECT_EQ(Right(u"", 3), u"");
  EXPECT_RAISES(Left(u"abc", -1), 5);
  EXPECT_RAISES(Right(u"abc", -1), 5);
}

struct SearchCase {
  const char* name;
  std::int32_t start;
  std::u16string text;
  std::u16string what;
  std::int32_t expected;
};

class InStrTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(InStrTest, ReportsOneBasedPositionOrZero) {
  const SearchCase& c = GetParam();
  EXPECT_EQ(InStr(c.start, c.text, c.what), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InStrTest,
    ::testing::Values(SearchCase{"AtStart", 1, u"abcabc", u"abc", 1},
                      SearchCase{"FromLaterPosition", 2, u"abcabc", u"abc", 4},
                      SearchCase{"FoundAtStartPosition", 4, u"abcabc", u"abc", 4},
                      SearchCase{"NotFound", 1, u"abc", u"x", 0},
                      SearchCase{"CaseSensitive", 1, u";user;User", u";User", 6},
                      SearchCase{"StartPastEnd", 10, u"abc", u"a", 0},
                      SearchCase{"RunsOffTheEnd", 2, u"abc", u"cd", 0},
                      SearchCase{"EmptyNeedle", 2, u"abc", u"", 2},
                      SearchCase{"EmptyHaystack", 1, u"", u"a", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InStrTest, StartBelowOneRaisesInvalidArgument) {
  EXPECT_RAISES(InStr(0, u"abc", u"a"), 5);
}

TEST(TrimBlanksTest, RemovesOnlyBlanks) {
  EXPECT_EQ(TrimBlanks(u"  HOST1  "), u"HOST1");
  EXPECT_EQ(TrimBlanks(std::u16string(u"HOST1\0   ", 9)), std::u16string(u"HOST1\0", 6));
  EXPECT_EQ(TrimBlanks(u"\tx\t"), u"\tx\t");
  EXPECT_EQ(TrimBlanks(u"     "), u"");
}

TEST(LowerCaseTest, LowersAsciiAndLatin1Letters) {
  EXPECT_EQ(LowerCase(u"Main.ASPX"), u"main.aspx");
  EXPECT_EQ(LowerCase(u"\u00C4\u00D7\u00DE"), u"\u00E4\u00D7\u00FE");  // the sign stays
  EXPECT_EQ(LowerCase(u"123-_."), u"123-_.");
}

TEST(Utf8Test, RoundTripsEveryPlane) {
  const std::u16string text = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(Utf8FromUtf16(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
}

TEST(Utf8Test, InvalidSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf16FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf16FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");      // cut short
  EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace duza
