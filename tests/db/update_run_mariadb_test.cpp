// The update run end to end against a real MariaDB server through the real ODBC layer,
// reached the way a web application would name it: an encoded MSDASQL connection string
// in web.config. MariaDB words an existing table in its own way, so the second run meets
// an other failure, not the "already exists" of SQL Server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/update_run.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/app/recording_view.h"
#include "tests/support/closed_port.h"
#include "tests/support/mariadb_state.h"
#include "tests/support/web_directory.h"

namespace duza {
namespace {

using testing::MariaDbState;
using testing::RecordingView;
using testing::TempWebDirectory;

const std::u16string T(kTablesCreated);
const std::u16string S1(kCreateFinPeriod);
const std::u16string S2(kCreateFinPeriod2Pos);

// The application's own connection string, as it would stand in web.config: its stored
// login is what the run replaces.
std::u16string StoredConnectionString(int port) {
  return u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=" +
         Utf16FromUtf8(std::to_string(port)) +
         u";Database=VIVI;User ID=webapp;Password=stored-secret;";
}

class UpdateRunMariaDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunAsRoot(state_,
              "DROP TABLE IF EXISTS VIVI.FINPERIOD2POS; DROP TABLE IF EXISTS VIVI.FINPERIOD;");
  }

  // A fresh window state: the SQL Server login with the server's writing user.
  RecordingView SqlLoginView(const TempWebDirectory& web) const {
    RecordingView view;
    view.web_directory = web.Typed();
    view.sql_login = true;
    view.login_name = state_.user;
    view.password = state_.password;
    return view;
  }

  static std::string Column(const MariaDbState& state, const char* table) {
    return RunAsRoot(state, std::string("SELECT GROUP_CONCAT(CONCAT(COLUMN_NAME, ' ', "
                                        "COLUMN_TYPE, ' ', IS_NULLABLE) ORDER BY "
                                        "ORDINAL_POSITION SEPARATOR ', ') FROM "
                                        "information_schema.COLUMNS WHERE TABLE_SCHEMA = "
                                        "'VIVI' AND TABLE_NAME = '") +
                                table + "'");
  }

  static std::string UniqueKeys(const MariaDbState& state, const char* table) {
    return RunAsRoot(state, std::string("SELECT GROUP_CONCAT(CONCAT(CONSTRAINT_NAME, ':', "
                                        "COLUMN_NAME) ORDER BY CONSTRAINT_NAME, "
                                        "ORDINAL_POSITION) FROM "
                                        "information_schema.KEY_COLUMN_USAGE WHERE "
                                        "TABLE_SCHEMA = 'VIVI' AND TABLE_NAME = '") +
                                table + "'");
  }

  MariaDbState state_ = testing::ReadMariaDbState();
};

TEST_F(UpdateRunMariaDbTest, FirstRunCreatesBothTablesAndTheSecondReportsMariaDbsWords) {
  const TempWebDirectory web(StoredConnectionString(state_.port));

  RecordingView first = SqlLoginView(web);
  EXPECT_EQ(RunSchemaUpdate(first, MakeOdbcConnectionFactory()), UpdateOutcome::kSucceeded);
  EXPECT_EQ(first.StatusLines(),
            (std::vector<std::u16string>{T, T, std::u16string(kUpdateSucceededStatus)}));
  EXPECT_EQ(first.Messages(), std::vector<std::u16string>{std::u16string(kUpdateSucceededMessage)});

  EXPECT_EQ(Column(state_, "FINPERIOD"),
            "I bigint(20) NO, C varchar(20) YES, N varchar(100) YES, TT bigint(20) YES, "
            "FromDate bigint(20) YES, ToDate bigint(20) YES, SysU bigint(20) YES, "
            "SysD bigint(20) YES, sysV int(11) YES, sysS int(11) YES\n");
  EXPECT_EQ(Column(state_, "FINPERIOD2POS"),
            "I bigint(20) NO, C varchar(20) YES, N varchar(100) YES, FINPERIOD bigint(20) YES, "
            "POS bigint(20) YES, FromDate bigint(20) YES, ToDate bigint(20) YES, "
            "SysU bigint(20) YES, SysD bigint(20) YES, sysV int(11) YES, sysS int(11) YES\n");
  EXPECT_EQ(UniqueKeys(state_, "FINPERIOD"), "PRIMARY:I,UQ__FINPERIOD_1:TT\n");
  EXPECT_EQ(UniqueKeys(state_, "FINPERIOD2POS"),
            "PRIMARY:I,UQ__FINPERIOD2POS_1:FINPERIOD,UQ__FINPERIOD2POS_1:POS\n");

  RecordingView second = SqlLoginView(web);
  EXPECT_EQ(RunSchemaUpdate(second, MakeOdbcConnectionFactory()), UpdateOutcome::kFailed);
  const std::vector<std::u16string> lines = second.StatusLines();
  ASSERT_EQ(lines.size(), 5U) << Utf8FromUtf16(lines.empty() ? u"" : lines[0]);
  EXPECT_NE(lines[0].find(u"Table 'FINPERIOD' already exists"), std::u16string::npos)
      << Utf8FromUtf16(lines[0]);
  EXPECT_EQ(lines[1], S1);
  EXPECT_NE(lines[2].find(u"Table 'FINPERIOD2POS' already exists"), std::u16string::npos)
      << Utf8FromUtf16(lines[2]);
  EXPECT_EQ(lines[3], S2);
  EXPECT_EQ(lines[4], lines[2]);
  EXPECT_EQ(second.Messages(), std::vector<std::u16string>{std::u16string(kUpdateFailedMessage)});
}

// A refused connection shows the connection's first error in the box and nothing else.
void ExpectRefusedWith(const RecordingView& view, std::u16string_view expected_part) {
  ASSERT_EQ(view.events.size(), 3U);
  EXPECT_EQ(view.events[0], u"width:6735");
  EXPECT_EQ(view.events[1], u"enable StatusBox");
  const std::u16string& message = view.events[2];
  EXPECT_EQ(message.rfind(u"message:", 0), 0U) << Utf8FromUtf16(message);
  EXPECT_NE(message.find(expected_part), std::u16string::npos) << Utf8FromUtf16(message);
  EXPECT_EQ(message.substr(message.size() - 2), u"\r\n");
}

TEST_F(UpdateRunMariaDbTest, WrongPasswordShowsOnlyTheConnectionsFirstError) {
  const TempWebDirectory web(StoredConnectionString(state_.port));
  RecordingView view = SqlLoginView(web);
  view.password = u"not-the-password";
  EXPECT_EQ(RunSchemaUpdate(view, MakeOdbcConnectionFactory()),
            UpdateOutcome::kConnectionRefused);
  ExpectRefusedWith(view, u"Access denied for user '" + state_.user + u"'");
}

TEST_F(UpdateRunMariaDbTest, StoppedServerShowsOnlyTheConnectionsFirstError) {
  const testing::ClosedPort stopped;
  const TempWebDirectory web(StoredConnectionString(stopped.port()));
  RecordingView view = SqlLoginView(web);
  EXPECT_EQ(RunSchemaUpdate(view, MakeOdbcConnectionFactory()),
            UpdateOutcome::kConnectionRefused);
  ExpectRefusedWith(view, u"Can't connect to server on '127.0.0.1'");
}

// The SQL Server path: SQLOLEDB becomes the FreeTDS driver, whose first record is shown.
TEST(UpdateRunFreeTdsTest, UnreachableSqlServerShowsFreeTdsFirstError) {
  const testing::ClosedPort closed;
  const TempWebDirectory web(u"Provider=SQLOLEDB.1;Data Source=127.0.0.1," +
                             Utf16FromUtf8(std::to_string(closed.port())) +
                             u";Initial Catalog=DUZA;User ID=webapp;Password=stored;");
  RecordingView view;
  view.web_directory = web.Typed();
  view.sql_login = true;
  EXPECT_EQ(RunSchemaUpdate(view, MakeOdbcConnectionFactory()),
            UpdateOutcome::kConnectionRefused);
  ExpectRefusedWith(view, u"[FreeTDS]");
}

}  // namespace
}  // namespace duza
