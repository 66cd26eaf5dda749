// The companion program run as a user runs it: arguments, standard input, what it prints
// on each stream and its exit code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "tests/support/program_run.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace duza {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;

ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& input) {
  return testing::RunProgram(DUZA_CLI_PATH, args, input);
}

const std::string kDataDir = DUZA_TEST_DATA_DIR;
const std::string kKept =
    "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=DUZASRV\\SQLEXPRESS;"
    "Initial Catalog=DUZA;";
const std::string kTryHelp = "Try 'duza-cli --help'.\n";

struct CliCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  int exit_code;
  std::string out;
  std::string err;
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

class CliTest : public ::testing::TestWithParam<CliCase> {};

TEST_P(CliTest, PrintsAndExits) {
  const auto& c = GetParam();
  const ProgramRun run = RunProgram(c.args, c.input);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.exit_code, c.exit_code);
}

const std::string kWindowsLogon = kKept + "Trusted_Connection = Yes;Integrated Security=SSPI;\n";
const std::vector<std::string> kSqlLogin = {"connection-string", "--web-dir", kDataDir,
                                            "--sql-login", "sa", "--password-stdin"};

std::vector<std::string> With(std::vector<std::string> args, const std::string& more) {
  args.push_back(more);
  return args;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliTest,
    ::testing::Values(
        CliCase{"Decode", {"decode", "04213513613749207"}, "", 0, "abc\n", ""},
        CliCase{"DecodeToCodePageCharacter", {"decode", "00516669207"}, "", 0, "\xE2\x82\xAC\n",
                ""},
        CliCase{"DecodeEmpty", {"decode", ""}, "", 1, "", "error 13: Type mismatch\n"},
        CliCase{"DecodeTooShort", {"decode", "7"}, "", 1, "",
                "error 5: Invalid procedure call or argument\n"},
        CliCase{"EncodeWithoutCode", {"encode", "\xE4\xB8\xAD"}, "", 1, "",
                "error 5: Invalid procedure call or argument: character 1 (U+4E2D) has no "
                "code in the ANSI code page\n"},
        CliCase{"EncodeNoText", {"encode"}, "", 2, "",
                "duza-cli: expected exactly one TEXT\n" + kTryHelp},
        CliCase{"EncodeTwoTexts", {"encode", "a", "b"}, "", 2, "",
                "duza-cli: expected exactly one TEXT\n" + kTryHelp},
        CliCase{"EncodeUnknownOption", {"encode", "--mask", "3"}, "", 2, "",
                "duza-cli: unknown option '--mask'\n" + kTryHelp},
        CliCase{"WindowsLogon", {"connection-string", "--web-dir", kDataDir}, "", 0,
                kWindowsLogon, ""},
        CliCase{"WebDirWithTrailingBackslash", {"connection-string", "--web-dir", kDataDir + "\\"},
                "", 0, kWindowsLogon, ""},
        CliCase{"WebDirWithEquals", {"connection-string", "--web-dir=" + kDataDir}, "", 0,
                kWindowsLogon, ""},
        CliCase{"SqlLoginMasked", kSqlLogin, "se;cret\r\n", 0,
                kKept + "User ID=sa;Password=***;\n", ""},
        CliCase{"SqlLoginShown", With(kSqlLogin, "--show-password"), "se;cret\r\nnext\n", 0,
                kKept + "User ID=sa;Password=\"se;cret\";\n", ""},
        CliCase{"SqlLoginNoInput", With(kSqlLogin, "--show-password"), "", 0,
                kKept + "User ID=sa;Password=;\n", ""},
        CliCase{"SqlLoginQuotedLoginMasked",
                {"connection-string", "--web-dir", kDataDir, "--sql-login", "a;b",
                 "--password-stdin"},
                "pw\n", 0, kKept + "User ID=\"a;b\";Password=***;\n", ""},
        CliCase{"MissingFolder", {"connection-string", "--web-dir", kDataDir + "/absent"}, "", 1,
                "", "error 53: File not found\n"},
        CliCase{"DefaultWebDirectoryAbsent", {"connection-string"}, "", 1, "",
                "error 53: File not found\n"},
        CliCase{"SqlLoginWithoutPassword", {"connection-string", "--sql-login", "sa"}, "", 2, "",
                "duza-cli: --sql-login and --password-stdin go together\n" + kTryHelp},
        CliCase{"OptionWithoutValue", {"connection-string", "--web-dir"}, "", 2, "",
                "duza-cli: option '--web-dir' needs a value\n" + kTryHelp},
        CliCase{"FlagWithValue", {"connection-string", "--show-password=yes"}, "", 2, "",
                "duza-cli: option '--show-password' takes no value\n" + kTryHelp},
        CliCase{"UnknownOption", {"connection-string", "--server", "x"}, "", 2, "",
                "duza-cli: unknown option '--server'\n" + kTryHelp},
        CliCase{"NoSubcommand", {}, "", 2, "", "duza-cli: missing subcommand\n" + kTryHelp}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliRoundTripTest, EncodedTextDecodesBack) {
  const std::string plain = "Provider=SQLOLEDB;Data Source=caf\xC3\xA9;User ID=sa;Password=x";
  const ProgramRun encoded = RunProgram({"encode", plain}, "");
  ASSERT_EQ(encoded.exit_code, 0) << encoded.err;
  ASSERT_FALSE(encoded.out.empty());
  const std::string value = encoded.out.substr(0, encoded.out.size() - 1);
  EXPECT_EQ(value.find_first_not_of("0123456789"), std::string::npos) << value;
  const ProgramRun decoded = RunProgram({"decode", value}, "");
  EXPECT_EQ(decoded.out, plain + "\n");
  EXPECT_EQ(decoded.exit_code, 0);
}

TEST(CliHelpTest, DocumentsEveryCodecSubcommand) {
  const ProgramRun run = RunProgram({"--help"}, "");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  for (const char* synopsis :
       {"  encode TEXT\n", "  decode VALUE\n",
        "  connection-string [--web-dir DIR] [--sql-login NAME --password-stdin] "
        "[--show-password]\n"}) {
    EXPECT_NE(run.out.find(synopsis), std::string::npos) << synopsis;
  }
  EXPECT_NE(run.out.find("--show-password."), std::string::npos);
}

}  // namespace
}  // namespace duza
