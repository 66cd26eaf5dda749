#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/connection_settings.h"
#include "tests/support/raises.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace duza {
namespace {

namespace fs = std::filesystem;

std::u16string Typed(const fs::path& path) { return TextOfPath(path); }

// Each test reads from a folder of its own below the system's temporary folder.
class WebConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    dir_ = fs::temp_directory_path() / ("duza-webconfig-" + std::to_string(entropy()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(file(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }

  fs::path file() const { return dir_ / "web.config"; }
  void WriteFile(const std::string& bytes) const {
    std::ofstream out(file(), std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good());
  }
  // The failure raised for `directory`, expected to carry its own description.
  void ExpectFailure(std::u16string_view directory, std::int32_t number,
                     const std::u16string& description) const {
    try {
      ReadWebConfig(directory);
      ADD_FAILURE() << "read; expected error " << number;
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number(), number);
      EXPECT_EQ(Utf8FromUtf16(error.description()), Utf8FromUtf16(description));
    }
  }

  fs::path dir_;
};

TEST_F(WebConfigFileTest, FixtureOfAnApplicationBuildsItsConnectionString) {
  const std::u16string text = ReadWebConfig(Utf16FromUtf8(DUZA_TEST_DATA_DIR));
  EXPECT_EQ(text.rfind(u"<?xml version=\"1.0\"?>\r\n<!--", 0), 0u);
  EXPECT_EQ(Utf8FromUtf16(BuildConnectionString(text, false, {}, {})),
            "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=DUZASRV\\SQLEXPRESS;"
            "Initial Catalog=DUZA;Trusted_Connection = Yes;Integrated Security=SSPI;");
  EXPECT_EQ(Utf8FromUtf16(BuildConnectionString(text, true, u"sa", u"pw")),
            "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=DUZASRV\\SQLEXPRESS;"
            "Initial Catalog=DUZA;User ID=sa;Password=pw;");
}

TEST_F(WebConfigFileTest, EveryTypedFormOfTheFolderReadsTheSameFile) {
  WriteFile("<configuration />");
  std::u16string backslashed = Typed(dir_);
  for (char16_t& c : backslashed) {
    if (c == u'/') c = u'\\';
  }
  for (const std::u16string& typed : {Typed(dir_), backslashed, backslashed + u"\\"}) {
    SCOPED_TRACE(Utf8FromUtf16(typed));
    // As an update does it: the run-input checks drop one trailing backslash first.
    const RunInputFields fields{[] { return std::u16string(u"VIVI"); },
                                [] { return std::u16string(u"D:\\RAZ"); },
                                [&] { return typed; }, [](std::u16string_view) {}};
    const auto directory = CheckRunInputs(fields);
    ASSERT_TRUE(directory.has_value());
    EXPECT_EQ(ReadWebConfig(*directory), u"<configuration />");
  }
}

TEST_F(WebConfigFileTest, MissingFileIsFileNotFound) {
  EXPECT_RAISES(ReadWebConfig(Typed(dir_)), err::kFileNotFound);
}

TEST_F(WebConfigFileTest, MissingFolderIsFileNotFound) {
  EXPECT_RAISES(ReadWebConfig(Typed(dir_ / "absent")), err::kFileNotFound);
}

TEST_F(WebConfigFileTest, EmptyFileIsInputPastEndOfFile) {
  WriteFile("");
  EXPECT_RAISES(ReadWebConfig(Typed(dir_)), err::kInputPastEndOfFile);
}

TEST_F(WebConfigFileTest, FolderInPlaceOfTheFileNamesThePath) {
  fs::create_directory(file());
  ExpectFailure(Typed(dir_), err::kPathFileAccessError,
                u"Path/File access error: " + Typed(file()) + u" is a directory");
}

TEST_F(WebConfigFileTest, UnreadableFileIsPermissionDenied) {
#ifdef _WIN32
  GTEST_SKIP() << "read permission is a POSIX mode bit here";
#else
  if (geteuid() == 0) GTEST_SKIP() << "the superuser reads every file";
  WriteFile("<configuration />");
  fs::permissions(file(), fs::perms::none);
  ExpectFailure(Typed(dir_), err::kPermissionDenied, u"Permission denied: " + Typed(file()));
#endif
}

struct BytesCase {
  const char* name;
  std::string bytes;
  std::u16string text;
};

class WebConfigBytesTest : public WebConfigFileTest,
                           public ::testing::WithParamInterface<BytesCase> {};

TEST_P(WebConfigBytesTest, ReadsEveryByteAsItsCodePageCharacter) {
  WriteFile(GetParam().bytes);
  EXPECT_EQ(ReadWebConfig(Typed(dir_)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebConfigBytesTest,
    ::testing::Values(
        BytesCase{"Latin", "caf\xE9", u"caf\u00E9"},
        BytesCase{"Euro", "\x80", u"\u20AC"},
        // Read as it is: no line-end translation, no stop at NUL or at Ctrl-Z.
        BytesCase{"ControlBytes", std::string("a\r\nb\0c\x1A" "d\n", 9),
                  std::u16string(u"a\r\nb\0c\x1A" u"d\n", 9)},
        BytesCase{"LongerThanOneChunk", std::string(200000, 'x'), std::u16string(200000, u'x')}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace duza
