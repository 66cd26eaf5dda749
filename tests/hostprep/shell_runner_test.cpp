#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "hostprep/host_preparation.h"
#include "platform/error.h"
#include "platform/shell_runner.h"
#include "platform/text.h"
#include "tests/hostprep/temp_tree.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace duza {
namespace {

using duza::testing::TempTree;

// --- expansion of %NAME% -------------------------------------------------------------

struct ExpansionCase {
  const char* name;
  std::u16string command;
  std::u16string expected;
};

class ExpansionTest : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpansionTest, ReplacesSetVariablesAndKeepsTheRestAsWritten) {
  const std::map<std::u16string, std::u16string> environment{
      {u"windir", u"C:\\WINDOWS"}, {u"EMPTY", u""}, {u"B", u"bee"}};
  const EnvironmentLookup lookup = [&](std::u16string_view name) -> std::optional<std::u16string> {
    const auto found = environment.find(std::u16string(name));
    if (found == environment.end()) return std::nullopt;
    return found->second;
  };
  EXPECT_EQ(Utf8FromUtf16(ExpandEnvironmentReferences(GetParam().command, lookup)),
            Utf8FromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpansionTest,
    ::testing::Values(
        ExpansionCase{"SetVariable", u"sysocmgr /i:%windir%\\inf\\sysoc.inf",
                      u"sysocmgr /i:C:\\WINDOWS\\inf\\sysoc.inf"},
        ExpansionCase{"UnsetVariableStays", u"run %NOPE% now", u"run %NOPE% now"},
        ExpansionCase{"EmptyValue", u"a%EMPTY%b", u"ab"},
        ExpansionCase{"DoublePercentStays", u"100%% sure", u"100%% sure"},
        ExpansionCase{"LonePercentStays", u"50% off", u"50% off"},
        ExpansionCase{"TwoInARow", u"%B%%B%", u"beebee"},
        ExpansionCase{"UnsetThenSet", u"%NOPE%B%", u"%NOPE%B%"},
        ExpansionCase{"NoReferences", u"NET Start MSSQLSERVER", u"NET Start MSSQLSERVER"},
        ExpansionCase{"ValueIsNotExpandedAgain", u"%B%", u"bee"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- words without a shell -------------------------------------------------------------

struct SplitCase {
  const char* name;
  std::u16string command;
  std::vector<std::u16string> words;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsOnBlanksOutsideQuotes) {
  EXPECT_EQ(SplitCommandWords(GetParam().command), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTest,
    ::testing::Values(
        SplitCase{"Blanks", u"NET  Start\tMSSQLSERVER", {u"NET", u"Start", u"MSSQLSERVER"}},
        SplitCase{"BackslashesAreOrdinary", u"sysocmgr /i:C:\\inf\\sysoc.inf",
                  {u"sysocmgr", u"/i:C:\\inf\\sysoc.inf"}},
        SplitCase{"QuotesGroup", u"\"Program Files\\x.exe\" a\" b\"c",
                  {u"Program Files\\x.exe", u"a bc"}},
        SplitCase{"EmptyQuotesGiveAnEmptyWord", u"a \"\" b", {u"a", u"", u"b"}},
        SplitCase{"OnlyBlanks", u"   ", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the command table -------------------------------------------------------------------

TEST(CommandTableTest, HoldsTheThreeCommandsInANormalWindowWaitedFor) {
  using hostprep::kCommandRuns;
  EXPECT_EQ(kCommandRuns[0].operation, u"ConfigureIisComponents");
  // "%windir%" is followed by the backslash that the folder inf needs.
  EXPECT_EQ(kCommandRuns[0].command,
            u"sysocmgr /i:%windir%\\inf\\sysoc.inf /u:IISComponents.txt /x /c");
  EXPECT_EQ(kCommandRuns[1].operation, u"StartSqlServer");
  EXPECT_EQ(kCommandRuns[1].command, u"NET Start MSSQLSERVER");
  EXPECT_EQ(kCommandRuns[2].operation, u"StopSqlServer");
  EXPECT_EQ(kCommandRuns[2].command, u"NET Stop MSSQLSERVER");
  for (const auto& run : kCommandRuns) {
    EXPECT_EQ(run.window_style, kWindowNormal);
    EXPECT_TRUE(run.wait);
  }
}

// --- real runs -----------------------------------------------------------------------------

#ifdef _WIN32
constexpr char16_t kFailingCommand[] = u"cmd /c exit 3";
#else
constexpr char16_t kFailingCommand[] = u"sh -c \"exit 3\"";
#endif

TEST(RunCommandTest, ReturnsTheExitCodeOfACommandThatFails) {
  EXPECT_EQ(RunCommand(kFailingCommand, kWindowNormal), 3);
}

TEST(RunCommandTest, CommandThatCannotBeStartedRaisesAnErrorNamingIt) {
  try {
    RunCommand(u"duza-no-such-program /x", kWindowNormal);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), kCommandNotFound);
    EXPECT_EQ(error.description(),
              u"Cannot start duza-no-such-program: The system cannot find the file specified.");
  }
}

TEST(RunCommandTest, EmptyCommandRaisesInvalidArgument) {
  try {
    RunCommand(u"  ", kWindowNormal);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kInvalidProcedureCall);
  }
}

TEST(RunCommandTest, ExpandsSetVariablesAndPassesUnsetOnesAsWritten) {
  TempTree tree;
  const std::filesystem::path output = tree.root() / "out.txt";
#ifdef _WIN32
  SetEnvironmentVariableW(L"DUZA_RUN_SET", L"expanded");
  SetEnvironmentVariableW(L"DUZA_RUN_UNSET", nullptr);
  const std::wstring out = output.wstring();
  // cmd leaves an unset %NAME% as it is, too.
  const std::u16string command = u"cmd /c echo %DUZA_RUN_SET% %DUZA_RUN_UNSET%> \"" +
                                 std::u16string(out.begin(), out.end()) + u"\"";
#else
  setenv("DUZA_RUN_SET", "expanded", 1);
  unsetenv("DUZA_RUN_UNSET");
  const std::u16string command = u"sh -c \"echo %DUZA_RUN_SET% %DUZA_RUN_UNSET% > " +
                                 Utf16FromUtf8(output.string()) + u"\"";
#endif
  EXPECT_EQ(RunCommand(command, kWindowNormal), 0);
  std::string text = duza::testing::ReadAll(output);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  EXPECT_EQ(text, "expanded %DUZA_RUN_UNSET%");
}

#ifdef _WIN32

// The routines act on the machine: on a real Windows machine they would stop its database
// service, so they run only under the emulator, which has NET but no such service.
bool UnderEmulator() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(CommandRoutinesTest, ServiceCommandsReturnNormallyWhateverTheirExitCode) {
  if (!UnderEmulator()) GTEST_SKIP() << "would start and stop this machine's SQL Server";
  EXPECT_NO_THROW(hostprep::StopSqlServer());
  EXPECT_NO_THROW(hostprep::StartSqlServer());
}

#else

// Outside Windows there is neither NET nor sysocmgr: the routines report that clearly.
TEST(CommandRoutinesTest, MissingProgramsAreReportedByName) {
  struct Case {
    void (*routine)();
    const char16_t* description;
  };
  for (const Case& c :
       {Case{hostprep::ConfigureIisComponents,
             u"Cannot start sysocmgr: The system cannot find the file specified."},
        Case{hostprep::StartSqlServer,
             u"Cannot start NET: The system cannot find the file specified."},
        Case{hostprep::StopSqlServer,
             u"Cannot start NET: The system cannot find the file specified."}}) {
    try {
      c.routine();
      ADD_FAILURE() << "nothing raised";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.number(), kCommandNotFound);
      EXPECT_EQ(error.description(), c.description);
    }
  }
}

#endif

}  // namespace
}  // namespace duza
