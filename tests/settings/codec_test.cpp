#include "settings/codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "settings/system_random_source.h"
#include "tests/support/raises.h"
#include "tests/settings/scripted_random_source.h"

namespace duza {
namespace {

using testing::DrawFor;
using testing::EncodeWith;
using testing::MaskAndPrefix;
using testing::Repeated;
using testing::ScriptedRandomSource;

// Encoding with chosen draws, and decoding that value back.
struct EncodeCase {
  const char* name;
  std::u16string plain;
  std::int32_t mask;
  std::int32_t prefix;
  std::u16string encoded;
};

class EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, WritesTheLayoutAndDecodesBack) {
  const auto& c = GetParam();
  auto source = MaskAndPrefix(c.mask, c.prefix);
  EXPECT_EQ(EncodeConnectionString(c.plain, source), c.encoded);
  EXPECT_EQ(source.used(), 2u);
  EXPECT_EQ(DecodeConnectionString(c.encoded), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeTest,
    ::testing::Values(
        // Masked length 4, width code 92, offset 9 * 2 + 20 = 38.
        EncodeCase{"WorkedExample", u"abc", 7, 42, u"04213513613749207"},
        // Masked length 29 in two digits, width code 38, offset 44.
        EncodeCase{"TwoDigitMaskedLength", u"a", 28, 100, u"100141293828"},
        EncodeCase{"EmptyMaskZero", u"", 0, 0, u"00009900"},
        EncodeCase{"EmptyMaskTen", u"", 10, 0, u"000105610"},
        EncodeCase{"EmptyLargestDraws", u"", 32, 999, u"999323432"},
        // Bands by the masked length: 9 | 10 .. 99 | 100.
        EncodeCase{"MaskedLength9", Repeated(u"a", 9), 0, 0,
                   u"000" + Repeated(u"198", 9) + u"99900"},
        EncodeCase{"MaskedLength10", Repeated(u"a", 10), 0, 0,
                   u"000" + Repeated(u"153", 10) + u"106600"},
        EncodeCase{"MaskedLength99", Repeated(u"a", 99), 0, 0,
                   u"000" + Repeated(u"153", 99) + u"996600"},
        EncodeCase{"MaskedLength100", Repeated(u"a", 100), 0, 0,
                   u"000" + Repeated(u"126", 100) + u"1003300"},
        // The band follows the masked length, not the length: 9 XOR 3 = 10.
        EncodeCase{"BandByMaskedLength", Repeated(u"a", 9), 3, 0,
                   u"000" + Repeated(u"135", 9) + u"106303"},
        // 100 XOR 28 = 120; width code 5 is written "05" but gives 5 * 5 + 20 = 45.
        EncodeCase{"OneDigitWidthCode", Repeated(u"x", 100), 28, 0,
                   u"000" + Repeated(u"165", 100) + u"1200528"},
        // Width code 90: 9 * 0 + 20.
        EncodeCase{"WidthCodeEndingInZero", u"a", 9, 0, u"00011789009"},
        // Code 255 with offset 101: the largest group.
        EncodeCase{"LargestGroup", u"\u00FF", 0, 0, u"00035619900"},
        // Code 0 with offset 20: the group needs its leading zero.
        EncodeCase{"SmallestGroup", std::u16string(1, u'\0'), 9, 0, u"00002089009"},
        // The euro sign is 0x80 in the code page, not its Unicode number.
        EncodeCase{"CodePageCharacter", u"\u20AC", 7, 5, u"00516669207"}),
    [](const auto& info) { return std::string(info.param.name); });

// Decoding, including the failures in the order the fields are read.
struct DecodeCase {
  const char* name;
  std::u16string encoded;
  std::optional<std::u16string> plain;  // nothing: fails with `error`
  std::int32_t error = 0;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesOrFailsWithItsNumber) {
  const auto& c = GetParam();
  if (c.plain) {
    EXPECT_EQ(DecodeConnectionString(c.encoded), *c.plain);
  } else {
    EXPECT_RAISES(DecodeConnectionString(c.encoded), c.error);
  }
}

// Layout of "00011789009" ("a", mask 9): prefix 1-3, group 4-6, masked length 7,
// width code 8-9, mask 10-11.
INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    ::testing::Values(
        DecodeCase{"WorkedExample", u"04213513613749207", u"abc"},
        DecodeCase{"PrefixOfLetters", u"xyz13513613749207", u"abc"},
        DecodeCase{"PrefixOfBlanks", u"   13513613749207", u"abc"},
        DecodeCase{"CountZero", u"00009900", u""},
        // Count field "-5": no pass of the loop, no error.
        DecodeCase{"CountNegative", u"000-55000", u""},
        DecodeCase{"Empty", u"", std::nullopt, err::kTypeMismatch},
        DecodeCase{"OneLetter", u"x", std::nullopt, err::kTypeMismatch},
        DecodeCase{"OneDigit", u"7", std::nullopt, err::kInvalidProcedureCall},
        DecodeCase{"ThreeDigits", u"907", std::nullopt, err::kInvalidProcedureCall},
        DecodeCase{"ThreeCharsMaskNotNumber", u"9xx", std::nullopt, err::kTypeMismatch},
        // Width code 99 asks for one digit of length, at position 0.
        DecodeCase{"NoRoomForLength", u"9907", std::nullopt, err::kInvalidProcedureCall},
        DecodeCase{"NoRoomForTwoDigitLength", u"05000", std::nullopt,
                   err::kInvalidProcedureCall},
        DecodeCase{"MaskNotNumber", u"000117890x9", std::nullopt, err::kTypeMismatch},
        DecodeCase{"WidthCodeNotNumber", u"0001178x009", std::nullopt, err::kTypeMismatch},
        // "-5" has the digits "-" and "5"; "-" is no number.
        DecodeCase{"WidthCodeNegative", u"0001178-509", std::nullopt, err::kTypeMismatch},
        DecodeCase{"MaskedLengthNotNumber", u"000117x9009", std::nullopt,
                   err::kTypeMismatch},
        DecodeCase{"GroupNotNumber", u"000x1789009", std::nullopt, err::kTypeMismatch},
        // A group need not be three plain digits: whatever reads as a number counts.
        DecodeCase{"GroupWithLeadingBlank", u"000 9989009", u"O"},
        DecodeCase{"GroupWithTrailingPoint", u"00099.89009", u"O"},
        // Count 10 XOR 25 = 19; groups "104" and "025" decode, the third lies past the end.
        DecodeCase{"GroupPastEnd", u"000104025", std::nullopt, err::kTypeMismatch},
        DecodeCase{"CodeAbove255", u"04299913613749207", std::nullopt,
                   err::kInvalidProcedureCall},
        DecodeCase{"CodeBelow0", u"04200013613749207", std::nullopt,
                   err::kInvalidProcedureCall},
        // A count of 20000 ("2e4" reads as a number) over 10922 good groups: the 10923rd
        // would start at 32770.
        DecodeCase{"GroupPositionOverflow",
                   u"000" + Repeated(u"117", 10922) + u"2e4" + u"10" + u"00", std::nullopt,
                   err::kOverflow}),
    [](const auto& info) { return std::string(info.param.name); });

void ExpectRefused(const std::u16string& plain, std::int32_t mask,
                   const std::u16string& description) {
  ScriptedRandomSource source({DrawFor(mask, 33), DrawFor(0, 1000)});
  try {
    EncodeConnectionString(plain, source);
    ADD_FAILURE() << "encoded; expected error 5";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
    EXPECT_EQ(error.description(), description);
  }
  EXPECT_EQ(source.used(), 1u) << "refused before the prefix is drawn";
}

std::u16string RandomAnsiText(std::mt19937& generator, std::size_t length) {
  std::uniform_int_distribution<int> code(0, 255);
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += AnsiCharacter(code(generator));
  return text;
}

TEST(EncodeDomainTest, LongestTextForEveryMaskRoundTrips) {
  std::mt19937 generator(967);
  for (std::int32_t mask = 0; mask <= 32; ++mask) {
    const std::u16string plain = RandomAnsiText(generator, 967);
    const std::u16string encoded = EncodeWith(plain, mask, 500);
    EXPECT_EQ(DecodeConnectionString(encoded), plain) << "mask " << mask;
  }
}

TEST(EncodeDomainTest, MaskedLength1000IsRefused) {
  ExpectRefused(Repeated(u"a", 968), 32,
                u"Invalid procedure call or argument: the text is too long to encode "
                u"(masked length 1000)");
  // Fits with another mask: 968 XOR 31 = 983.
  const std::u16string plain = Repeated(u"a", 968);
  EXPECT_EQ(DecodeConnectionString(EncodeWith(plain, 31, 0)), plain);
}

TEST(EncodeDomainTest, From1024CharactersNoMaskFits) {
  for (std::int32_t mask = 0; mask <= 32; ++mask) {
    ScriptedRandomSource source({DrawFor(mask, 33)});
    try {
      EncodeConnectionString(Repeated(u"a", 1024), source);
      ADD_FAILURE() << "mask " << mask << " encoded";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number(), err::kInvalidProcedureCall) << "mask " << mask;
    }
  }
}

TEST(EncodeDomainTest, CharacterWithoutCodeIsRefused) {
  ExpectRefused(u"ab\u4E2D", 0,
                u"Invalid procedure call or argument: character 3 (U+4E2D) has no code in "
                u"the ANSI code page");
}

TEST(EncodeDomainTest, TextBeyond32767CharactersOverflowsBeforeAnyDraw) {
  ScriptedRandomSource source({});
  EXPECT_RAISES(EncodeConnectionString(std::u16string(32768, u'a'), source), err::kOverflow);
  EXPECT_EQ(source.used(), 0u);
}

TEST(EncodeDomainTest, RandomTextsRoundTripForEveryMask) {
  std::mt19937 generator(2026);
  std::uniform_int_distribution<int> length(0, 400);
  std::uniform_int_distribution<int> prefix(0, 999);
  for (int i = 0; i < 33 * 15; ++i) {
    const std::int32_t mask = i % 33;
    const std::u16string plain = RandomAnsiText(generator, static_cast<std::size_t>(length(generator)));
    const std::u16string encoded = EncodeWith(plain, mask, prefix(generator));
    ASSERT_EQ(encoded.find_first_not_of(u"0123456789"), std::u16string::npos);
    const std::size_t masked = plain.size() ^ static_cast<std::size_t>(mask);
    const std::size_t width = masked >= 100 ? 3 : (masked >= 10 ? 2 : 1);
    EXPECT_EQ(encoded.size(), 3 * plain.size() + width + 7);
    ASSERT_EQ(DecodeConnectionString(encoded), plain) << "mask " << mask;
  }
}

TEST(EncodeDomainTest, SystemSourceEncodingsRoundTripAndVary) {
  SystemRandomSource source;
  std::set<std::u16string> encodings;
  const std::u16string plain = u"Provider=SQLOLEDB;Data Source=.;User ID=sa;Password=x";
  for (int i = 0; i < 200; ++i) {
    const std::u16string encoded = EncodeConnectionString(plain, source);
    ASSERT_EQ(DecodeConnectionString(encoded), plain);
    encodings.insert(encoded);
  }
  // 33 masks times 1000 prefixes: 200 draws in a row that repeat would mean a stuck source.
  EXPECT_GT(encodings.size(), 150u);
}

struct RandomNumberCase {
  const char* name;
  double draw;
  std::int32_t low;
  std::int32_t range;
  double expected;
};

class RandomNumberTest : public ::testing::TestWithParam<RandomNumberCase> {};

TEST_P(RandomNumberTest, TakesTheWholePartThenAddsLow) {
  const auto& c = GetParam();
  ScriptedRandomSource source({c.draw});
  EXPECT_EQ(RandomNumber(source, c.low, c.range), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RandomNumberTest,
    ::testing::Values(RandomNumberCase{"Zero", 0.0, 0, 33, 0.0},
                      RandomNumberCase{"JustBelowOne", 0.999999, 0, 33, 32.0},
                      RandomNumberCase{"PrefixRange", 0.4425, 0, 1000, 442.0},
                      RandomNumberCase{"LowAdded", 0.5, 10, 4, 12.0},
                      RandomNumberCase{"NegativeLow", 0.5, -5, 3, -4.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SystemRandomSourceTest, DrawsEveryMaskInsideTheUnitInterval) {
  SystemRandomSource source;
  std::set<double> masks;
  for (int i = 0; i < 5000; ++i) {
    const double r = source.NextUnit();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    masks.insert(std::floor(r * 33));
  }
  EXPECT_EQ(masks.size(), 33u);
}

TEST(SystemRandomSourceTest, TwoSourcesAreSeededApart) {
  SystemRandomSource first;
  SystemRandomSource second;
  bool differ = false;
  for (int i = 0; i < 4; ++i) differ = differ || first.NextUnit() != second.NextUnit();
  EXPECT_TRUE(differ);
}

}  // namespace
}  // namespace duza
