// `duza-cli update` run as an administrator's script runs it, against the real MariaDB.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/closed_port.h"
#include "tests/support/mariadb_state.h"
#include "tests/support/program_run.h"
#include "tests/support/web_directory.h"

namespace duza {
namespace {

using testing::RunProgram;

std::u16string StoredConnectionString(int port) {
  return u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=" +
         Utf16FromUtf8(std::to_string(port)) + u";Database=VIVI;User ID=webapp;Password=old;";
}

class CliUpdateMariaDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunAsRoot(state_,
              "DROP TABLE IF EXISTS VIVI.FINPERIOD2POS; DROP TABLE IF EXISTS VIVI.FINPERIOD;");
  }

  testing::ProgramRun Update(const testing::TempWebDirectory& web, const std::u16string& password) {
    return RunProgram(DUZA_CLI_PATH,
                      {"update", "--web-dir", Utf8FromUtf16(web.Typed()), "--sql-login",
                       Utf8FromUtf16(state_.user), "--password-stdin"},
                      Utf8FromUtf16(password) + "\n");
  }

  testing::MariaDbState state_ = testing::ReadMariaDbState();
};

TEST_F(CliUpdateMariaDbTest, CreatesTheTablesThenReportsTheServersRefusal) {
  const testing::TempWebDirectory web(StoredConnectionString(state_.port));

  const auto first = Update(web, state_.password);
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(first.out,
            "Tables created!\n\nTables created!\n\nDatabase tables update Successful\n"
            "Update successful!\n");
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(RunAsRoot(state_, "SELECT COUNT(*) FROM information_schema.TABLES WHERE "
                              "TABLE_SCHEMA = 'VIVI' AND TABLE_NAME LIKE 'FINPERIOD%'"),
            "2\n");

  const auto second = Update(web, state_.password);
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_NE(second.out.find("Table 'FINPERIOD' already exists\nCREATE TABLE VIVI.FINPERIOD("),
            std::string::npos)
      << second.out;
  EXPECT_TRUE(second.out.ends_with("already exists\nUpdate NOT successful. Contact Admin!\n"))
      << second.out;
}

TEST_F(CliUpdateMariaDbTest, RefusedConnectionPrintsItsFirstErrorAndFails) {
  const testing::TempWebDirectory web(StoredConnectionString(state_.port));
  const auto run = Update(web, u"wrong password");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("Access denied for user"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("wrong password"), std::string::npos);
  EXPECT_EQ(run.out.find("Update"), std::string::npos) << "no closing message after a refusal";
}

}  // namespace
}  // namespace duza
