// How the connection sorts a driver's diagnostic records, against a scripted driver loaded
// by the real driver manager (scripted_odbc_driver.cpp says what it stands for).

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

std::u16string ScriptedDriver() {
  return u"Provider=MSDASQL;Driver={" + Utf16FromUtf8(DUZA_SCRIPTED_ODBC_DRIVER) + u"};";
}

using testing::RaisedBy;

TEST(OdbcDiagnosticsTest, InformationalRecordsOfASuccessfulLoginAreNoErrors) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());  // SQL_SUCCESS_WITH_INFO: "Changed database context"
  EXPECT_TRUE(connection.Errors().empty());
  connection.Close();
  EXPECT_TRUE(connection.Errors().empty());
}

TEST(OdbcDiagnosticsTest, InformationalRecordsOfASuccessfulStatementAreNoErrors) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());
  connection.Execute(u"PRINT");
  EXPECT_TRUE(connection.Errors().empty());
}

TEST(OdbcDiagnosticsTest, NoDataFromAStatementIsSuccess) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());
  connection.Execute(u"NO ROWS");
  EXPECT_TRUE(connection.Errors().empty());
}

TEST(OdbcDiagnosticsTest, EveryRecordOfAFailedStatementIsOneEntry) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());
  const PlatformError error = RaisedBy([&] { connection.Execute(u"FAIL"); });
  EXPECT_EQ(error.number(), ado::kCommandFailed);
  EXPECT_EQ(Utf8(error.description()),
            "[Scripted][SQL Server]There is already an object named 'FINPERIOD' in the database.");
  ASSERT_EQ(connection.Errors().size(), 2u);
  EXPECT_EQ(connection.Errors()[0].sql_state, u"42S01");
  EXPECT_EQ(connection.Errors()[0].native_error, 2714);
  EXPECT_EQ(connection.Errors()[1].sql_state, u"42000");
  EXPECT_EQ(connection.Errors()[1].native_error, 1750);
  EXPECT_EQ(Utf8(connection.Errors()[1].description),
            "[Scripted][SQL Server]Could not create constraint.");

  connection.Execute(u"PRINT");  // the next call starts afresh
  EXPECT_TRUE(connection.Errors().empty());
}

TEST(OdbcDiagnosticsTest, LongMessagesAreReadWhole) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());
  const PlatformError error = RaisedBy([&] { connection.Execute(u"LONG FAIL"); });
  ASSERT_EQ(connection.Errors().size(), 1u);
  const std::u16string& text = connection.Errors()[0].description;
  EXPECT_EQ(text.size(), 1500u);
  EXPECT_TRUE(text.starts_with(u"[Scripted][SQL Server]0123456789")) << Utf8(text);
  EXPECT_TRUE(text.ends_with(u"!")) << Utf8(text);
  EXPECT_EQ(error.description(), text);
}

class LaterResultTest : public ::testing::TestWithParam<const char16_t*> {};

// The first statement of a batch succeeds (with rows, or touching none), a later one fails.
TEST_P(LaterResultTest, FailureInALaterResultFailsTheStatement) {
  OdbcConnection connection;
  connection.Open(ScriptedDriver());
  const PlatformError error = RaisedBy([&] { connection.Execute(GetParam()); });
  EXPECT_EQ(error.number(), ado::kCommandFailed);
  ASSERT_EQ(connection.Errors().size(), 1u);
  EXPECT_EQ(connection.Errors()[0].sql_state, u"22012");
  EXPECT_EQ(Utf8(error.description()), "[Scripted][SQL Server]Divide by zero error encountered.");
}

INSTANTIATE_TEST_SUITE_P(Batch, LaterResultTest,
                         ::testing::Values(u"ROWS THEN FAIL", u"NO ROWS THEN FAIL"),
                         [](const ::testing::TestParamInfo<const char16_t*>& info) {
                           return info.index == 0 ? std::string("AfterRows")
                                                  : std::string("AfterNoData");
                         });

TEST(OdbcDiagnosticsTest, EveryRecordOfAFailedLoginIsOneEntryEvenAnInformationalOne) {
  OdbcConnection connection;
  const PlatformError error = RaisedBy([&] { connection.Open(ScriptedDriver() + u"Login=fail"); });
  EXPECT_EQ(error.number(), ado::kUnspecifiedError);
  EXPECT_EQ(error.source(), u"Microsoft OLE DB Provider for ODBC Drivers");
  EXPECT_EQ(Utf8(error.description()), "[Scripted][SQL Server]Login failed for user 'a'.");
  ASSERT_EQ(connection.Errors().size(), 2u);
  EXPECT_EQ(connection.Errors()[0].sql_state, u"28000");
  EXPECT_EQ(connection.Errors()[0].native_error, 18456);
  EXPECT_EQ(connection.Errors()[1].sql_state, u"01000");
}

}  // namespace
}  // namespace duza
