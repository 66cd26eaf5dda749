#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/subcommand.h"
#include "platform/shell_link_format.h"
#include "tests/hostprep/temp_tree.h"

namespace duza::cli {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun RunArgs(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  Streams streams{in, out, err};
  const int code = RunCli(args, streams);
  return {code, out.str(), err.str()};
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string message;
};

class HostPreparationUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(HostPreparationUsageTest, WrongCommandLineExitsWithTwoAndSaysWhy) {
  const CliRun run = RunArgs(GetParam().args);
  EXPECT_EQ(run.code, kExitUsage);
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostPreparationUsageTest,
    ::testing::Values(
        UsageCase{"NoFolder", {"set-folder-attributes", "--protect"}, "missing DIR"},
        UsageCase{"NoMode", {"set-folder-attributes", "web"}, "give --protect or --release"},
        UsageCase{"BothModes",
                  {"set-folder-attributes", "web", "--protect", "--release"},
                  "--protect and --release exclude each other"},
        UsageCase{"TwoFolders", {"set-folder-attributes", "a", "b", "--protect"},
                  "more than one folder given"},
        UsageCase{"UnknownOption", {"set-folder-attributes", "a", "--force"},
                  "unknown option '--force'"},
        UsageCase{"ShortcutWithoutFolder", {"create-shortcut"}, "give exactly one DIR"},
        UsageCase{"RemovalWithArgument", {"remove-default-documents", "x"}, "takes no arguments"},
        UsageCase{"ServiceWithArgument", {"stop-sql-server", "now"}, "takes no arguments"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostPreparationCliTest, HelpListsEverySubcommand) {
  const CliRun run = RunArgs({"--help"});
  EXPECT_EQ(run.code, kExitOk);
  for (const char* name : {"set-folder-attributes DIR --protect|--release",
                           "remove-default-documents", "create-shortcut DIR",
                           "configure-iis-components", "start-sql-server", "stop-sql-server"}) {
    EXPECT_NE(run.out.find(name), std::string::npos) << name;
  }
}

TEST(HostPreparationCliTest, MissingFolderIsReportedWithExitOne) {
  duza::testing::TempTree tree;
  const CliRun run = RunArgs({"set-folder-attributes", (tree.root() / "nowhere").string(), "--protect"});
  EXPECT_EQ(run.code, kExitFailure);
  EXPECT_EQ(run.err.rfind("error 76: Path not found: ", 0), 0u) << run.err;
}

TEST(HostPreparationCliTest, ShortcutIsWrittenAndItsFileNamed) {
  duza::testing::TempTree tree;
  const CliRun run = RunArgs({"create-shortcut", tree.root().string()});
  EXPECT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(run.out, tree.root().string() + "\\DUZA.lnk\n");
  const auto link = DecodeShellLink(duza::testing::ReadAll(tree.root() / "DUZA.lnk"));
  EXPECT_EQ(link.show_command, 3);
}

TEST(HostPreparationCliTest, ShortcutThatCannotBeWrittenIsReportedWithExitOne) {
  duza::testing::TempTree tree;
  const std::string folder = (tree.root() / "missing").string();
  const CliRun run = RunArgs({"create-shortcut", folder});
  EXPECT_EQ(run.code, kExitFailure);
  EXPECT_EQ(run.err, "error 75: The shortcut " + folder + "\\DUZA.lnk could not be written\n");
  EXPECT_TRUE(std::filesystem::is_empty(tree.root()));
}

}  // namespace
}  // namespace duza::cli
