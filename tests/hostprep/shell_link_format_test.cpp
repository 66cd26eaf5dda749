#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/shell_link_format.h"
#include "platform/text.h"

namespace duza {
namespace {

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

ShellLinkData Sample() {
  ShellLinkData data;
  data.target = u"http://localhost/default.htm";
  data.description = u"ShellLink Sample";
  data.show_command = 3;
  return data;
}

TEST(ShellLinkFormatTest, HeaderCarriesSizeClassFlagsAndShowCommand) {
  const std::string bytes = EncodeShellLink(Sample());
  ASSERT_GE(bytes.size(), kLinkHeaderSize);
  EXPECT_EQ(U32At(bytes, 0), 0x4Cu);
  EXPECT_EQ(bytes.substr(4, 16),
            std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
  EXPECT_EQ(U32At(bytes, 0x14),
            kLinkHasName | kLinkHasRelativePath | kLinkIsUnicode | kLinkHasExpString);
  EXPECT_EQ(U32At(bytes, 0x3C), 3u);
  // The description follows the header at once: no item list, no LinkInfo.
  EXPECT_EQ(bytes[0x4C], 16);
  EXPECT_EQ(U32At(bytes, bytes.size() - 4), 0u);  // terminal block
}

TEST(ShellLinkFormatTest, RoundTripKeepsEveryField) {
  ShellLinkData data = Sample();
  data.working_directory = u"C:\\Inetpub";
  data.arguments = u"-x \u00e9";
  data.icon_location = u"C:\\icon.ico";
  data.icon_index = -2;
  data.show_command = 7;
  const ShellLinkData read = DecodeShellLink(EncodeShellLink(data));
  EXPECT_EQ(read.target, data.target);
  EXPECT_EQ(read.relative_path, data.target);
  EXPECT_EQ(read.environment_target, data.target);
  EXPECT_EQ(read.description, data.description);
  EXPECT_EQ(read.working_directory, data.working_directory);
  EXPECT_EQ(read.arguments, data.arguments);
  EXPECT_EQ(read.icon_location, data.icon_location);
  EXPECT_EQ(read.icon_index, -2);
  EXPECT_EQ(read.show_command, 7);
}

TEST(ShellLinkFormatTest, EmptyTextsLeaveTheirFlagsUnset) {
  ShellLinkData data;
  data.target = u"x";
  const ShellLinkData read = DecodeShellLink(EncodeShellLink(data));
  EXPECT_EQ(read.flags, kLinkHasRelativePath | kLinkIsUnicode | kLinkHasExpString);
  EXPECT_TRUE(read.description.empty());
}

TEST(ShellLinkFormatTest, TargetOfTheLongestLengthFitsAndOneMoreIsRefused) {
  ShellLinkData data;
  data.target = std::u16string(kMaxLinkTargetLength, u'a');
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(data)).target, data.target);
  data.target.push_back(u'a');
  try {
    EncodeShellLink(data);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
    EXPECT_EQ(error.description(), u"The target of a shell link is longer than 259 characters");
  }
}

TEST(ShellLinkFormatTest, EmptyTargetIsRefused) {
  try {
    EncodeShellLink(ShellLinkData{});
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.description(), u"A shell link needs a target");
  }
}

// A link with an item list and a LinkInfo whose local base path is the target, laid out as
// the system's own object writes one for a file.
TEST(ShellLinkFormatTest, ReadsTheLocalBasePathOfLinkInfo) {
  std::string bytes = EncodeShellLink(Sample());
  std::string header = bytes.substr(0, kLinkHeaderSize);
  header[0x14] = static_cast<char>(kLinkHasTargetIdList | kLinkHasLinkInfo);
  header[0x15] = header[0x16] = header[0x17] = 0;
  const std::string id_list("\x02\x00\x00\x00", 4);  // IDListSize 2: just the terminator
  const std::string path = "C:\\x.txt";
  std::string info(0x1C, '\0');
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) info[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(4, 0x1C);
  put(8, 1);
  put(0x10, 0x1C);
  info += path;
  info.push_back('\0');
  put(0, static_cast<std::uint32_t>(info.size()));
  const std::string file = header + id_list + info + std::string(4, '\0');
  const ShellLinkData read = DecodeShellLink(file);
  EXPECT_EQ(read.local_base_path, u"C:\\x.txt");
  EXPECT_EQ(read.target, u"C:\\x.txt");
}

TEST(ShellLinkFormatTest, StringWhoseCountTakesInItsNulEndsThere) {
  // Written as some writers do: "ab" counted as three characters with its NUL. Ours
  // writes "abc", whose 'c' then becomes the NUL.
  ShellLinkData data = Sample();
  data.description = u"abc";
  std::string bytes = EncodeShellLink(data);
  ASSERT_EQ(bytes.substr(kLinkHeaderSize, 8), std::string("\x03\x00" "a\x00" "b\x00" "c\x00", 8));
  bytes[kLinkHeaderSize + 6] = '\0';
  EXPECT_EQ(DecodeShellLink(bytes).description, u"ab");
}

// Our writer does not write such a text: it would come back cut short.
struct NulTextCase {
  const char* name;
  std::u16string ShellLinkData::*field;
  const char16_t* description;
};

class NulTextTest : public ::testing::TestWithParam<NulTextCase> {};

TEST_P(NulTextTest, IsRefusedNamingIt) {
  for (const std::u16string& text :
       {std::u16string(u"a\0b", 3), std::u16string(u"ab\0", 3), std::u16string(1, u'\0')}) {
    ShellLinkData data = Sample();
    data.*GetParam().field = text;
    try {
      EncodeShellLink(data);
      ADD_FAILURE() << "nothing raised for a text of " << text.size();
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
      EXPECT_EQ(error.description(), GetParam().description);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, NulTextTest,
    ::testing::Values(
        NulTextCase{"Target", &ShellLinkData::target,
                    u"The target of a shell link holds a NUL character"},
        NulTextCase{"Description", &ShellLinkData::description,
                    u"A text of a shell link holds a NUL character"},
        NulTextCase{"WorkingDirectory", &ShellLinkData::working_directory,
                    u"A text of a shell link holds a NUL character"},
        NulTextCase{"Arguments", &ShellLinkData::arguments,
                    u"A text of a shell link holds a NUL character"},
        NulTextCase{"IconLocation", &ShellLinkData::icon_location,
                    u"A text of a shell link holds a NUL character"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamagedCase {
  const char* name;
  std::size_t cut_to;  // keep this many bytes (npos: all)
  std::size_t patch_at;
  std::uint8_t patch;
  const char16_t* description;
};

class DamagedLinkTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedLinkTest, RaisesInvalidArgumentNamingTheFault) {
  const auto& c = GetParam();
  std::string bytes = EncodeShellLink(Sample());
  if (c.patch_at != std::string::npos) bytes[c.patch_at] = static_cast<char>(c.patch);
  if (c.cut_to != std::string::npos) bytes.resize(c.cut_to);
  try {
    DecodeShellLink(bytes);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
    EXPECT_EQ(Utf8FromUtf16(error.description()),
              "Not a well-formed shell link: " + Utf8FromUtf16(c.description));
  }
}

constexpr std::size_t kAll = std::string::npos;

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedLinkTest,
    ::testing::Values(
        DamagedCase{"Empty", 0, kAll, 0, u"header too short"},
        DamagedCase{"ShortHeader", 0x30, kAll, 0, u"header too short"},
        DamagedCase{"WrongHeaderSize", kAll, 0, 0x4D, u"wrong header size"},
        DamagedCase{"WrongClass", kAll, 4, 0x02, u"wrong class identifier"},
        DamagedCase{"StringCutShort", 0x50, kAll, 0, u"string beyond the end"},
        DamagedCase{"StringLongerThanTheFile", kAll, 0x4D, 0xFF, u"string beyond the end"},
        DamagedCase{"EnvironmentBlockOfTheWrongSize", kAll, 0xA8, 0x06,
                    u"environment block of the wrong size"},
        DamagedCase{"NoTerminalBlock", 0x4C + 2 + 32 + 2 + 56 + 0x314, kAll, 0,
                    u"extra data not ended"}),
    [](const auto& info) { return std::string(info.param.name); });

// Damaged files must never be read past their end: every prefix and every single-byte change
// of a full link either reads or raises the format error.
TEST(ShellLinkFormatTest, EveryPrefixAndByteChangeReadsOrRaises) {
  ShellLinkData data = Sample();
  data.working_directory = u"C:\\w";
  data.arguments = u"a";
  data.icon_location = u"i";
  const std::string bytes = EncodeShellLink(data);
  auto read = [](const std::string& input) {
    try {
      DecodeShellLink(input);
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
    }
  };
  for (std::size_t size = 0; size < bytes.size(); ++size) read(bytes.substr(0, size));
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (const int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      std::string changed = bytes;
      changed[at] = static_cast<char>(value);
      read(changed);
    }
  }
}

}  // namespace
}  // namespace duza
