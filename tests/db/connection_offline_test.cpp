// The ODBC connection where no database is involved: its own refusals, and the driver
// manager's answer for a driver that is not installed (unixODBC natively, the Windows
// driver manager under wine).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

using testing::RaisedBy;

TEST(CommandTimeoutTest, ThirtySecondsUnlessSetAndNeverNegative) {
  OdbcConnection connection;
  EXPECT_EQ(connection.CommandTimeout(), 30);
  connection.SetCommandTimeout(0);  // no limit
  EXPECT_EQ(connection.CommandTimeout(), 0);
  connection.SetCommandTimeout(2);
  EXPECT_EQ(connection.CommandTimeout(), 2);
  const PlatformError error = RaisedBy([&] { connection.SetCommandTimeout(-1); });
  EXPECT_EQ(error.number(), 5);
  EXPECT_EQ(Utf8(error.description()), "Invalid procedure call or argument");
  EXPECT_EQ(connection.CommandTimeout(), 2);
}

TEST(ClosedConnectionTest, ExecuteAndCloseAreRefused) {
  const auto connection = MakeOdbcConnectionFactory()();
  ASSERT_NE(connection, nullptr);
  for (const auto& error : {RaisedBy([&] { connection->Execute(u"SELECT 1"); }),
                            RaisedBy([&] { connection->Close(); })}) {
    EXPECT_EQ(error.number(), ado::kObjectClosed);
    EXPECT_EQ(Utf8(error.description()), "Operation is not allowed when the object is closed.");
    EXPECT_EQ(error.source(), u"ADODB.Connection");
  }
  EXPECT_TRUE(connection->Errors().empty());
}

struct RefusedStringCase {
  std::string name;
  std::u16string connection_string;
  std::int32_t number;
  std::u16string description;
};

class RefusedStringTest : public ::testing::TestWithParam<RefusedStringCase> {};

TEST_P(RefusedStringTest, OpenRaisesWithoutProviderRecords) {
  OdbcConnection connection;
  const PlatformError error = RaisedBy([&] { connection.Open(GetParam().connection_string); });
  EXPECT_EQ(error.number(), GetParam().number);
  EXPECT_EQ(Utf8(error.description()), Utf8(GetParam().description));
  EXPECT_TRUE(connection.Errors().empty());
  EXPECT_EQ(RaisedBy([&] { connection.Execute(u"SELECT 1"); }).number(), ado::kObjectClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedStringTest,
    ::testing::Values(
        RefusedStringCase{
            "UnknownProvider", u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db.mdb",
            ado::kProviderNotFound, u"Provider cannot be found. It may not be properly installed."},
        RefusedStringCase{"Malformed", u"Provider=SQLOLEDB;Data Source", ado::kBadInitString,
                          ado::kBadInitStringText}),
    [](const ::testing::TestParamInfo<RefusedStringCase>& info) { return info.param.name; });

constexpr char16_t kOdbcSource[] = u"Microsoft OLE DB Provider for ODBC Drivers";

struct DriverManagerCase {
  std::string name;
  std::u16string connection_string;
  std::u16string sql_state;  // empty: whatever the driver manager says
  std::u16string source = kOdbcSource;
};

class DriverManagerTest : public ::testing::TestWithParam<DriverManagerCase> {};

TEST_P(DriverManagerTest, ItsRecordsFailTheOpen) {
  OdbcConnection connection;
  const PlatformError error = RaisedBy([&] { connection.Open(GetParam().connection_string); });
  EXPECT_EQ(error.number(), ado::kUnspecifiedError);
  EXPECT_EQ(Utf8(error.source()), Utf8(GetParam().source));
  ASSERT_FALSE(connection.Errors().empty());
  const ConnectionError& first = connection.Errors().front();
  if (!GetParam().sql_state.empty()) {
    EXPECT_EQ(Utf8(first.sql_state), Utf8(GetParam().sql_state));
  }
  EXPECT_EQ(first.sql_state.size(), 5u);
  EXPECT_FALSE(first.description.empty());
  EXPECT_EQ(Utf8(error.description()), Utf8(first.description));
  EXPECT_EQ(RaisedBy([&] { connection.Execute(u"SELECT 1"); }).number(), ado::kObjectClosed);
}

std::vector<DriverManagerCase> DriverManagerCases() {
  std::vector<DriverManagerCase> cases{
      // ADO's ODBC provider reads Data Source as the data source name.
      {"DataSourceNotDefined", u"Provider=MSDASQL;Data Source=Duza No Such DSN", u"IM002"},
      {"DsnNotDefined", u"DSN=DuzaNoSuchDsn;UID=a", u"IM002"},
      {"DriverNotInstalled", u"Provider=MSDASQL;Driver={Duza No Such Driver};Server=127.0.0.1;",
       u""},
  };
#ifdef _WIN32
  // No SQL Server driver is installed under the emulator: the choice falls back to Windows'
  // built-in "SQL Server", which is not there either.
  cases.push_back({"SqlServerProviderWithoutDriver",
                   u"Provider=SQLOLEDB;Data Source=127.0.0.1,1;Initial Catalog=x;", u"",
                   u"Microsoft OLE DB Provider for SQL Server"});
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DriverManagerTest, ::testing::ValuesIn(DriverManagerCases()),
    [](const ::testing::TestParamInfo<DriverManagerCase>& info) { return info.param.name; });

}  // namespace
}  // namespace duza
