#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace duza {
namespace {

struct PathCase {
  const char* name;
  std::u16string typed;
  std::string expected;
};

class NativePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NativePathTest, ResolvesWindowsStylePaths) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows takes its own paths as they are";
#else
  EXPECT_EQ(NativePath(GetParam().typed).string(), GetParam().expected);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NativePathTest,
    ::testing::Values(
        PathCase{"DriveAndBackslashes", u"C:\\Inetpub\\wwwroot\\web.config",
                 "/Inetpub/wwwroot/web.config"},
        PathCase{"LowerCaseDrive", u"d:\\RAZ", "/RAZ"},
        PathCase{"DriveWithoutSeparator", u"C:web", "/web"},
        PathCase{"BareDrive", u"C:", "/"},
        PathCase{"RootedWithoutDrive", u"\\web.config", "/web.config"},
        PathCase{"Relative", u"site\\web.config", "site/web.config"},
        PathCase{"NativeAbsolute", u"/srv/www/web.config", "/srv/www/web.config"},
        PathCase{"DoubledSeparator", u"C:\\a\\\\b", "/a//b"},
        PathCase{"NonAscii", u"C:\\Caf\u00E9", "/Caf\xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace duza
