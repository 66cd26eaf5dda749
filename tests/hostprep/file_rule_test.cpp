#include <gtest/gtest.h>

#include <string>

#include "hostprep/host_preparation.h"
#include "platform/text.h"

namespace duza::hostprep {
namespace {

struct RuleCase {
  const char* name;
  std::u16string folder;
  std::u16string file;
  bool protect;
  std::int16_t expected;
};

class FileRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FileRuleTest, ChoosesTheFirstMatchingRow) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(FileAttributeValue(c.folder, c.file, c.protect), c.expected)
      << "folder " << Utf8FromUtf16(c.folder) << ", file " << Utf8FromUtf16(c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileRuleTest,
    ::testing::Values(
        RuleCase{"PageAspxUpperCase", u"C:\\web", u"Main.ASPX", true, 3},
        RuleCase{"ReportYrpt", u"C:\\web", u"report.yrpt", true, 3},
        RuleCase{"ReportPrpt", u"C:\\web", u"report.PRPT", true, 3},
        RuleCase{"LibraryDllUpperCase", u"C:\\web", u"Lib.DLL", true, 3},
        RuleCase{"ProgramExe", u"C:\\web", u"setup.exe", true, 0},
        RuleCase{"ProgramExeUpperCase", u"C:\\web", u"SETUP.EXE", true, 0},
        RuleCase{"WebConfig", u"C:\\web", u"web.config", true, 1},
        RuleCase{"PageHtm", u"C:\\web", u"page.htm", true, 1},
        RuleCase{"WholeNameAspx", u"C:\\web", u"aspx", true, 3},
        RuleCase{"WholeNameDllWithoutDot", u"C:\\web", u"dll", true, 1},
        RuleCase{"WholeNameExeWithoutDot", u"C:\\web", u"exe", true, 1},
        RuleCase{"AspxWithoutDotStillMatches", u"C:\\web", u"pageaspx", true, 3},
        RuleCase{"DllWithoutDotDoesNotMatch", u"C:\\web", u"mydll", true, 1},
        RuleCase{"ShortName", u"C:\\web", u"a", true, 1},
        RuleCase{"EmptyName", u"C:\\web", u"", true, 1},
        RuleCase{"ReleaseAspx", u"C:\\web", u"Main.aspx", false, 0},
        RuleCase{"ReleaseOther", u"C:\\web", u"web.config", false, 0},
        RuleCase{"XlsFolderUpperCase", u"C:\\web\\XLS", u"Main.aspx", true, 0},
        RuleCase{"XlsFolderSuffix", u"C:\\web\\reportxls", u"web.config", true, 0},
        RuleCase{"XlsFolderWholePath", u"xls", u"Lib.dll", true, 0},
        RuleCase{"XlsFileInOtherFolder", u"C:\\web", u"sheet.xls", true, 1},
        RuleCase{"XlsFolderWithTrailingBackslash", u"C:\\web\\xls\\", u"Main.aspx", true, 3},
        RuleCase{"XlsFolderReleasing", u"C:\\web\\xls", u"Main.aspx", false, 0},
        RuleCase{"LatinCapitalsLowered", u"C:\\web", u"REPORT.YRPT", true, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderRuleTest, SubfoldersAreReadOnlyWhenProtectingAndNormalOtherwise) {
  EXPECT_EQ(FolderAttributeValue(true), 1);
  EXPECT_EQ(FolderAttributeValue(false), 0);
}

}  // namespace
}  // namespace duza::hostprep
