#include "platform/ansi_code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/raises.h"

namespace duza {
namespace {

TEST(AnsiCodePageTest, EveryByteRoundTrips) {
  for (int code = 0; code <= 255; ++code) {
    const char16_t character = AnsiCharacter(code);
    ASSERT_EQ(AnsiCodeOf(character), code) << "code " << code;
  }
  std::string all_bytes;
  for (int code = 0; code <= 255; ++code) all_bytes += static_cast<char>(code);
  EXPECT_EQ(AnsiFromText(TextFromAnsi(all_bytes)), all_bytes);
}

TEST(AnsiCodePageTest, AsciiIsItsOwnCode) {
  EXPECT_EQ(AnsiCodeOf(u'a'), 97);
  EXPECT_EQ(AnsiCharacter(97), u'a');
  EXPECT_EQ(AnsiCodeOf(u'\0'), 0);
}

#ifndef _WIN32
// Windows-1252 is the fixed stand-in where the system has no ANSI code page.
TEST(AnsiCodePageTest, HighHalfFollowsWindows1252) {
  EXPECT_EQ(AnsiCharacter(0x80), u'\u20AC');
  EXPECT_EQ(AnsiCodeOf(u'\u20AC'), 0x80);
  EXPECT_EQ(AnsiCharacter(0x81), u'\u0081');  // unassigned: its own control character
  EXPECT_EQ(AnsiCharacter(0xE9), u'\u00E9');
  EXPECT_EQ(TextFromAnsi("caf\xE9"), u"caf\u00E9");
}
#endif

TEST(AnsiCodePageTest, CharactersOutsideTheCodePageHaveNoCode) {
  EXPECT_FALSE(AnsiCodeOf(u'\u4E2D').has_value());
  EXPECT_EQ(AnsiFromText(u"a\u4E2Db"), "a?b");
}

TEST(AnsiCodePageTest, CodesOutsideAByteAreInvalidArguments) {
  EXPECT_RAISES(AnsiCharacter(256), 5);
  EXPECT_RAISES(AnsiCharacter(-1), 5);
}

}  // namespace
}  // namespace duza
