// The ODBC connection against a real MariaDB server (started by ctest's `mariadb` fixture)
// through its ODBC driver, reached the way ADO's ODBC provider is: "Provider=MSDASQL;...".

#include "platform/odbc_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/text.h"
#include "tests/support/mariadb_state.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

using testing::MariaDbOleDbString;
using testing::MariaDbState;
using testing::ReadMariaDbState;
using testing::RunAsRoot;

constexpr char16_t kCreateFinperiod[] =
    u"CREATE TABLE VIVI.FINPERIOD( I bigint PRIMARY KEY NOT NULL, C VARCHAR(20), N "
    u"NVARCHAR(100), TT bigint, FromDate bigint, ToDate bigint, SysU bigint, SysD bigint, sysV "
    u"integer, sysS integer, CONSTRAINT UQ__FINPERIOD_1 UNIQUE (TT));";
constexpr char16_t kOdbcProviderSource[] = u"Microsoft OLE DB Provider for ODBC Drivers";

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

using testing::RaisedBy;

class OdbcMariaDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = ReadMariaDbState();
    RunAsRoot(state_, "DROP TABLE IF EXISTS VIVI.FINPERIOD");
  }
  void TearDown() override { RunAsRoot(state_, "DROP TABLE IF EXISTS VIVI.FINPERIOD"); }

  std::u16string Writer() const { return MariaDbOleDbString(state_); }
  std::u16string Reader() const {
    return MariaDbOleDbString(state_, u"VIVI", state_.reader_user, state_.reader_password);
  }
  // Sessions the server has open for `user`, as its process list shows them.
  int SessionsOf(std::u16string_view user) const {
    return std::stoi(RunAsRoot(state_,
                               "SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                               "WHERE USER = '" +
                                   Utf8(user) + "'"));
  }
  // The server drops a session shortly after the client has hung up: wait for it, boundedly.
  int SessionsOfAfterSettling(std::u16string_view user, int expected) const {
    int sessions = SessionsOf(user);
    for (int i = 0; i < 100 && sessions != expected; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      sessions = SessionsOf(user);
    }
    return sessions;
  }

  MariaDbState state_;
};

TEST_F(OdbcMariaDbTest, OpenAndCreateTableInVivi) {
  OdbcConnection connection;
  connection.Open(Writer(), u"", u"", ado::kUnspecifiedOptions);
  EXPECT_TRUE(connection.Errors().empty());
  connection.Execute(kCreateFinperiod, ado::kUnspecifiedOptions);
  EXPECT_TRUE(connection.Errors().empty());
  connection.Close();
  EXPECT_EQ(RunAsRoot(state_, "SHOW TABLES IN VIVI LIKE 'FINPERIOD'"), "FINPERIOD\n");
  EXPECT_EQ(RunAsRoot(state_,
                      "SELECT COUNT(*) FROM information_schema.COLUMNS "
                      "WHERE TABLE_SCHEMA = 'VIVI' AND TABLE_NAME = 'FINPERIOD'"),
            "10\n");
}

TEST_F(OdbcMariaDbTest, SecondCreateGivesOneRecordWithTheServersText) {
  OdbcConnection connection;
  connection.Open(Writer());
  connection.Execute(kCreateFinperiod);

  const PlatformError error = RaisedBy([&] { connection.Execute(kCreateFinperiod); });
  EXPECT_EQ(error.number(), ado::kCommandFailed);
  EXPECT_EQ(error.source(), kOdbcProviderSource);
  ASSERT_EQ(connection.Errors().size(), 1u);
  const ConnectionError& record = connection.Errors().front();
  EXPECT_EQ(record.sql_state, u"42S01");
  EXPECT_EQ(record.native_error, 1050);
  // As the driver formats it: its own and the server's prefixes, then the server's text.
  EXPECT_TRUE(record.description.starts_with(u"[ma-")) << Utf8(record.description);
  EXPECT_TRUE(record.description.ends_with(u"]Table 'FINPERIOD' already exists"))
      << Utf8(record.description);
  EXPECT_EQ(Utf8(error.description()), Utf8(record.description));

  // The next call starts with an empty collection.
  connection.Execute(u"SELECT 1");
  EXPECT_TRUE(connection.Errors().empty());
}

TEST_F(OdbcMariaDbTest, WrongPasswordFailsTheOpenWithTheDriversRecord) {
  OdbcConnection connection;
  const PlatformError error = RaisedBy([&] {
    connection.Open(MariaDbOleDbString(state_, u"VIVI", state_.user, u"wrong;password"));
  });
  EXPECT_EQ(error.number(), ado::kUnspecifiedError);
  EXPECT_EQ(error.source(), kOdbcProviderSource);
  ASSERT_FALSE(connection.Errors().empty());
  const ConnectionError& record = connection.Errors().front();
  EXPECT_EQ(record.sql_state, u"28000");
  EXPECT_EQ(record.native_error, 1045);
  EXPECT_NE(record.description.find(u"Access denied for user 'duza_user'"), std::u16string::npos)
      << Utf8(record.description);
  EXPECT_EQ(Utf8(error.description()), Utf8(record.description));
  // Still closed: nothing to execute on.
  EXPECT_EQ(RaisedBy([&] { connection.Execute(u"SELECT 1"); }).number(), ado::kObjectClosed);
}

TEST_F(OdbcMariaDbTest, OpenClearsTheErrorsOfAFailedOne) {
  OdbcConnection connection;
  RaisedBy([&] { connection.Open(MariaDbOleDbString(state_, u"VIVI", state_.user, u"x")); });
  ASSERT_FALSE(connection.Errors().empty());
  connection.Open(Writer());
  EXPECT_TRUE(connection.Errors().empty());
}

TEST_F(OdbcMariaDbTest, PasswordGivenToOpenReplacesTheStrings) {
  OdbcConnection connection;
  connection.Open(MariaDbOleDbString(state_, u"VIVI", u"nobody", u"wrong"), state_.user,
                  state_.password);
  connection.Execute(u"SELECT 1");
  connection.Close();
}

TEST_F(OdbcMariaDbTest, UserWithoutCreateRightsIsDenied) {
  OdbcConnection connection;
  connection.Open(Reader());
  const PlatformError error = RaisedBy([&] { connection.Execute(kCreateFinperiod); });
  EXPECT_EQ(error.number(), ado::kCommandFailed);
  ASSERT_EQ(connection.Errors().size(), 1u);
  EXPECT_EQ(connection.Errors().front().sql_state, u"42000");
  EXPECT_EQ(connection.Errors().front().native_error, 1142);
  EXPECT_NE(error.description().find(u"CREATE command denied to user 'duza_reader'"),
            std::u16string::npos)
      << error.what();
}

TEST_F(OdbcMariaDbTest, StatementsWithoutRowsAndWithRowsSucceed) {
  OdbcConnection connection;
  connection.Open(Writer());
  connection.Execute(u"USE VIVI");
  connection.Execute(u"DROP TABLE IF EXISTS VIVI.NOT_THERE");  // the server notes a warning
  connection.Execute(u"SELECT 1 UNION SELECT 2");              // rows discarded
  connection.Execute(u"SHOW TABLES");
  EXPECT_TRUE(connection.Errors().empty());
}

TEST_F(OdbcMariaDbTest, LaterStatementOfABatchFailingIsReported) {
  OdbcConnection connection;
  // OPTION 67108864 lets the driver send several statements in one text.
  connection.Open(Writer() + u"OPTION=67108864;");
  connection.Execute(kCreateFinperiod);
  const PlatformError error =
      RaisedBy([&] { connection.Execute(u"SELECT 1; " + std::u16string(kCreateFinperiod)); });
  EXPECT_EQ(error.number(), ado::kCommandFailed);
  ASSERT_EQ(connection.Errors().size(), 1u);
  EXPECT_EQ(connection.Errors().front().sql_state, u"42S01");
}

TEST_F(OdbcMariaDbTest, StatementWaitingPastTheCommandTimeoutIsCancelled) {
  // MariaDB's driver limits queries only: a CREATE TABLE waiting for another session's
  // lock would wait for good without the connection's own watch.
  RunAsRoot(state_, "CREATE TABLE VIVI.FINPERIOD (I bigint)");
  OdbcConnection holder;
  holder.Open(Writer());
  holder.Execute(u"LOCK TABLES VIVI.FINPERIOD WRITE");

  OdbcConnection connection;
  connection.Open(Writer());
  connection.SetCommandTimeout(1);
  const PlatformError error = RaisedBy([&] { connection.Execute(kCreateFinperiod); });
  EXPECT_EQ(error.number(), ado::kQueryTimeout);
  EXPECT_EQ(Utf8(error.description()), "Query timeout expired");
  EXPECT_EQ(error.source(), kOdbcProviderSource);
  ASSERT_EQ(connection.Errors().size(), 2u);
  EXPECT_EQ(connection.Errors()[0].sql_state, u"HYT00");
  EXPECT_EQ(Utf8(connection.Errors()[0].description), "Query timeout expired");
  // The driver's own record of the interrupted statement follows.
  EXPECT_EQ(connection.Errors()[1].sql_state, u"HY018");  // as this driver classes it
  EXPECT_EQ(connection.Errors()[1].native_error, 1317);
  EXPECT_TRUE(connection.Errors()[1].description.ends_with(u"]Query execution was interrupted"))
      << Utf8(connection.Errors()[1].description);

  // Only the statement was given up: the connection goes on once the lock is gone.
  holder.Close();
  connection.Execute(u"SELECT 1");
  EXPECT_TRUE(connection.Errors().empty());
  connection.Close();
}

TEST_F(OdbcMariaDbTest, StatementWithinTheCommandTimeoutIsLeftAlone) {
  OdbcConnection connection;
  connection.Open(Writer());
  connection.SetCommandTimeout(1);
  connection.Execute(u"DO SLEEP(0.5)");  // not a query: the driver sets no limit on it
  connection.Execute(kCreateFinperiod);
  EXPECT_TRUE(connection.Errors().empty());
  connection.SetCommandTimeout(0);  // no limit at all
  connection.Execute(u"DO SLEEP(1.5)");
  EXPECT_TRUE(connection.Errors().empty());
}

TEST_F(OdbcMariaDbTest, ReleasedWithoutCloseDisconnects) {
  ASSERT_EQ(SessionsOf(state_.reader_user), 0);
  {
    auto connection = MakeOdbcConnectionFactory()();
    connection->Open(Reader());
    EXPECT_EQ(SessionsOf(state_.reader_user), 1);
  }
  EXPECT_EQ(SessionsOfAfterSettling(state_.reader_user, 0), 0);
}

TEST_F(OdbcMariaDbTest, CloseDisconnectsAndLeavesItClosed) {
  OdbcConnection connection;
  connection.Open(Reader());
  EXPECT_EQ(SessionsOf(state_.reader_user), 1);
  connection.Close();
  EXPECT_EQ(SessionsOfAfterSettling(state_.reader_user, 0), 0);

  PlatformError error = RaisedBy([&] { connection.Execute(kCreateFinperiod); });
  EXPECT_EQ(error.number(), ado::kObjectClosed);
  EXPECT_EQ(error.description(), ado::kObjectClosedText);
  EXPECT_EQ(error.source(), ado::kConnectionSource);
  EXPECT_TRUE(connection.Errors().empty());
  EXPECT_EQ(RaisedBy([&] { connection.Close(); }).number(), ado::kObjectClosed);

  // A closed connection opens again.
  connection.Open(Reader());
  connection.Execute(u"SELECT 1");
  connection.Close();
}

TEST_F(OdbcMariaDbTest, OpeningAnOpenConnectionIsRefused) {
  OdbcConnection connection;
  connection.Open(Reader());
  const PlatformError error = RaisedBy([&] { connection.Open(Reader()); });
  EXPECT_EQ(error.number(), ado::kObjectOpen);
  EXPECT_EQ(error.description(), ado::kObjectOpenText);
  EXPECT_EQ(SessionsOf(state_.reader_user), 1);  // the first session is still the only one
  connection.Execute(u"SELECT 1");
}

}  // namespace
}  // namespace duza
