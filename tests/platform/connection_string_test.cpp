#include "platform/connection_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/connection.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza {

// Readable failures: print connection strings and pairs as UTF-8.
void PrintTo(const ConnectionProperty& property, std::ostream* os) {
  *os << '{' << Utf8FromUtf16(property.name) << " = <" << Utf8FromUtf16(property.value) << ">}";
}

namespace {

using Pairs = std::vector<ConnectionProperty>;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

// Asserts that `statement` raises `number` with `text`.
#define EXPECT_RAISES_TEXT(statement, expected_number, expected_text) \
  do {                                                                \
    try {                                                             \
      statement;                                                      \
      ADD_FAILURE() << #statement " raised nothing";                  \
    } catch (const PlatformError& raised) {                           \
      EXPECT_EQ(raised.number(), (expected_number));                  \
      EXPECT_EQ(Utf8(raised.description()), Utf8(expected_text));     \
    }                                                                 \
  } while (false)

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

// --- Reading OLE DB strings -------------------------------------------------------------

struct ParseCase {
  std::string name;
  std::u16string text;
  Pairs expected;
};

class ParseOleDbTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseOleDbTest, ReadsPairs) {
  EXPECT_EQ(ParseOleDbConnectionString(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseOleDbTest,
    ::testing::Values(
        ParseCase{"Empty", u"", {}},
        ParseCase{"Simple",
                  u"Provider=SQLOLEDB;Data Source=db1",
                  {{u"Provider", u"SQLOLEDB"}, {u"Data Source", u"db1"}}},
        ParseCase{"NamesAndValuesTrimmed",
                  u"  User ID  =  sa  ;Password= x y ",
                  {{u"User ID", u"sa"}, {u"Password", u"x y"}}},
        ParseCase{"TheToolsOwnTrustedClause",
                  u"Data Source=db;Trusted_Connection = Yes",
                  {{u"Data Source", u"db"}, {u"Trusted_Connection", u"Yes"}}},
        ParseCase{"EmptySegmentsSkipped",
                  u";;Provider=MSDASQL;; ;DSN=x;;",
                  {{u"Provider", u"MSDASQL"}, {u"DSN", u"x"}}},
        ParseCase{"EmptyValue", u"Password=;User ID=", {{u"Password", u""}, {u"User ID", u""}}},
        ParseCase{"EqualsInsideUnquotedValue", u"Password=a=b", {{u"Password", u"a=b"}}},
        ParseCase{"DoubledEqualsInName", u"a==b=c", {{u"a=b", u"c"}}},
        ParseCase{"DoubleQuotedWithSemicolonAndBlanks",
                  u"Password=\"  a;b = c  \";x=1",
                  {{u"Password", u"  a;b = c  "}, {u"x", u"1"}}},
        ParseCase{"DoubleQuoteDoubledInside",
                  u"Password=\"say \"\"hi\"\"\"",
                  {{u"Password", u"say \"hi\""}}},
        ParseCase{"SingleQuotedWithDoubleQuotes", u"Password='a\"b;c'", {{u"Password", u"a\"b;c"}}},
        ParseCase{"SingleQuoteDoubledInside", u"Password='it''s'", {{u"Password", u"it's"}}},
        ParseCase{"BlanksAroundQuotedValue",
                  u"Password =  \"x\"  ; y=2",
                  {{u"Password", u"x"}, {u"y", u"2"}}},
        ParseCase{"EmptyQuotedValue", u"Password=\"\"", {{u"Password", u""}}},
        ParseCase{
            "QuoteInsideUnquotedValueIsPlain", u"Password=a\"b'c", {{u"Password", u"a\"b'c"}}},
        ParseCase{"DuplicatesKeptInOrder", u"uid=a;UID=b", {{u"uid", u"a"}, {u"UID", u"b"}}}),
    CaseName<ParseCase>);

struct MalformedCase {
  std::string name;
  std::u16string text;
};

class MalformedOleDbTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedOleDbTest, RaisesBadInitString) {
  EXPECT_RAISES_TEXT(ParseOleDbConnectionString(GetParam().text), ado::kBadInitString,
                     ado::kBadInitStringText);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedOleDbTest,
    ::testing::Values(MalformedCase{"NameWithoutEquals", u"Provider=SQLOLEDB;Integrated"},
                      MalformedCase{"NameWithoutEqualsInTheMiddle", u"a=1;b;c=2"},
                      MalformedCase{"EmptyName", u"=value"},
                      MalformedCase{"BlankName", u"a=1;  =2"},
                      MalformedCase{"UnclosedDoubleQuote", u"Password=\"abc;x=1"},
                      MalformedCase{"UnclosedSingleQuote", u"Password='it''s"},
                      MalformedCase{"TextAfterClosingQuote", u"Password=\"abc\"def;x=1"}),
    CaseName<MalformedCase>);

TEST(FindPropertyTest, LastOfSeveralCountsAndNamesIgnoreCase) {
  const Pairs pairs = ParseOleDbConnectionString(u"uid=a;Data Source=x;UID=b");
  ASSERT_NE(FindProperty(pairs, u"Uid"), nullptr);
  EXPECT_EQ(*FindProperty(pairs, u"Uid"), u"b");
  EXPECT_EQ(*FindProperty(pairs, u"DATA SOURCE"), u"x");
  EXPECT_EQ(FindProperty(pairs, u"Password"), nullptr);
}

// --- Writing values back: both quoting styles round-trip ----------------------------------

struct QuoteCase {
  std::string name;
  std::u16string value;
  std::u16string ole_db;  // as QuoteOleDbValue writes it
  std::u16string odbc;    // as QuoteOdbcValue writes it
};

class QuotingTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuotingTest, WritesTheExpectedForm) {
  EXPECT_EQ(Utf8(QuoteOleDbValue(GetParam().value)), Utf8(GetParam().ole_db));
  EXPECT_EQ(Utf8(QuoteOdbcValue(GetParam().value)), Utf8(GetParam().odbc));
}

TEST_P(QuotingTest, OleDbReadsItBackExactly) {
  const Pairs pairs{{u"Password", GetParam().value}, {u"Next", u"1"}};
  const std::u16string text = FormatOleDbConnectionString(pairs);
  EXPECT_EQ(ParseOleDbConnectionString(text), pairs) << Utf8(text);
}

TEST_P(QuotingTest, OdbcReadsItBackExactly) {
  const std::u16string text = u"PWD=" + QuoteOdbcValue(GetParam().value) + u";Next=1;";
  const Pairs expected{{u"PWD", GetParam().value}, {u"Next", u"1"}};
  EXPECT_EQ(ParseOdbcConnectionString(text), expected) << Utf8(text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuotingTest,
    ::testing::Values(
        QuoteCase{"Plain", u"secret", u"secret", u"secret"},
        QuoteCase{"Empty", u"", u"", u""},
        QuoteCase{"InnerBlank", u"two words", u"two words", u"two words"},
        QuoteCase{"LeadingAndTrailingBlanks", u" pad ", u"\" pad \"", u"{ pad }"},
        QuoteCase{"Semicolon", u"a;b", u"\"a;b\"", u"{a;b}"},
        QuoteCase{"Equals", u"a=b", u"a=b", u"{a=b}"},
        // After "name=" a leading '=' would read as the name's "==".
        QuoteCase{"LeadingEquals", u"=x", u"\"=x\"", u"{=x}"},
        QuoteCase{"OnlyEquals", u"=", u"\"=\"", u"{=}"},
        QuoteCase{"LeadingDoubleEquals", u"==", u"\"==\"", u"{==}"},
        QuoteCase{"DoubleQuotesOnly", u"say \"x\"", u"say \"x\"", u"say \"x\""},
        QuoteCase{"LeadingDoubleQuote", u"\"x", u"'\"x'", u"\"x"},
        QuoteCase{"LeadingSingleQuote", u"'x", u"\"'x\"", u"'x"},
        QuoteCase{"BothQuotesAndSemicolon", u"a'b\";c", u"\"a'b\"\";c\"", u"{a'b\";c}"},
        QuoteCase{"Braces", u"{x}", u"{x}", u"{{x}}}"},
        QuoteCase{"ClosingBraceAndSemicolon", u"a};b", u"\"a};b\"", u"{a}};b}"},
        QuoteCase{"Everything", u" ;\"'={} ", u"\" ;\"\"'={} \"", u"{ ;\"'={}} }"}),
    CaseName<QuoteCase>);

TEST(OdbcParseTest, UnclosedBraceIsMalformed) {
  EXPECT_RAISES_TEXT(ParseOdbcConnectionString(u"PWD={abc;x=1"), ado::kBadInitString,
                     ado::kBadInitStringText);
}

// --- Translation ---------------------------------------------------------------------------

struct TranslateCase {
  std::string name;
  std::u16string ole_db;
  std::u16string driver;  // the SQL Server driver the platform offers
  std::u16string odbc;
  std::int32_t login_timeout = kDefaultLoginTimeoutSeconds;
  ProviderKind provider = ProviderKind::kSqlServer;
};

class TranslateTest : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateTest, GivesDriverStringAndTimeout) {
  const TranslateCase& c = GetParam();
  const OdbcConnectRequest request = TranslateToOdbc(c.ole_db, u"", u"", c.driver);
  EXPECT_EQ(Utf8(request.connection_string), Utf8(c.odbc));
  EXPECT_EQ(request.login_timeout_seconds, c.login_timeout);
  EXPECT_EQ(request.provider, c.provider);
}

constexpr char16_t kMsDriver[] = u"ODBC Driver 18 for SQL Server";

INSTANTIATE_TEST_SUITE_P(
    SqlServer, TranslateTest,
    ::testing::Values(
        TranslateCase{"SqlOleDbWithLogin",
                      u"Provider=SQLOLEDB;Data Source=db1;Initial Catalog=duza;User ID=sa;"
                      u"Password=x;",
                      kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;Database=duza;UID=sa;PWD=x;TDS_Version=7.4;"},
        TranslateCase{"ProviderNameInAnyCaseWithVersion",
                      u"provider=sqloledb.1;server=db1;database=d", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;Database=d;TDS_Version=7.4;"},
        TranslateCase{"NativeClientWithVersion", u"Provider=SQLNCLI11;Address=db1", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;TDS_Version=7.4;"},
        TranslateCase{"NewestOleDbDriver", u"Provider=MSOLEDBSQL19;Addr=db1;UID=u;PWD=p",
                      kFreeTdsDriver, u"Driver={FreeTDS};Server=db1;UID=u;PWD=p;TDS_Version=7.4;"},
        TranslateCase{"NetworkAddress", u"Provider=SQLNCLI;Network Address=10.0.0.5",
                      kFreeTdsDriver, u"Driver={FreeTDS};Server=10.0.0.5;TDS_Version=7.4;"},
        TranslateCase{"HostCommaPortForFreeTds", u"Provider=SQLOLEDB;Data Source=db1, 1433",
                      kFreeTdsDriver, u"Driver={FreeTDS};Server=db1;Port=1433;TDS_Version=7.4;"},
        TranslateCase{"TcpPrefixForFreeTds", u"Provider=SQLOLEDB;Data Source=tcp:db1,1500",
                      kFreeTdsDriver, u"Driver={FreeTDS};Server=db1;Port=1500;TDS_Version=7.4;"},
        TranslateCase{"HostInstanceForFreeTds", u"Provider=SQLOLEDB;Data Source=db1\\SQLEXPRESS",
                      kFreeTdsDriver, u"Driver={FreeTDS};Server=db1\\SQLEXPRESS;TDS_Version=7.4;"},
        TranslateCase{"LocalMachineForFreeTds",
                      u"Provider=SQLOLEDB;Data Source=(local)\\SQLEXPRESS", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=localhost\\SQLEXPRESS;TDS_Version=7.4;"},
        TranslateCase{"LastDataSourceWinsAndDropsEarlierPort",
                      u"Provider=SQLOLEDB;Data Source=a,1;Data Source=b", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=b;TDS_Version=7.4;"},
        TranslateCase{"HostCommaPortForMicrosoftDriver",
                      u"Provider=SQLOLEDB;Data Source=db1,1433;Initial Catalog=duza", kMsDriver,
                      u"Driver={ODBC Driver 18 for SQL Server};Server=db1,1433;Database=duza;"},
        TranslateCase{"HostInstanceForMicrosoftDriver",
                      u"Provider=SQLOLEDB;Data Source=.\\SQLEXPRESS", kMsDriver,
                      u"Driver={ODBC Driver 18 for SQL Server};Server=.\\SQLEXPRESS;"},
        TranslateCase{
            "IntegratedSecuritySspi",
            u"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
            u"Initial Catalog=duza;Data Source=db1",
            kFreeTdsDriver,
            u"Driver={FreeTDS};Trusted_Connection=Yes;Database=duza;Server=db1;TDS_Version=7.4;"},
        TranslateCase{"TrustedConnectionWithBlanksAroundEquals",
                      u"Provider=SQLOLEDB;Data Source=db1;Initial Catalog=duza;"
                      u"Trusted_Connection = Yes",
                      kMsDriver,
                      u"Driver={ODBC Driver 18 for SQL Server};Server=db1;Database=duza;"
                      u"Trusted_Connection=Yes;"},
        TranslateCase{"TrustedConnectionNoIsDropped",
                      u"Provider=SQLOLEDB;Data Source=db1;Trusted_Connection=No", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;TDS_Version=7.4;"},
        TranslateCase{"PasswordWithSpecialCharacters",
                      u"Provider=SQLOLEDB;Data Source=db1;User ID=sa;Password=\" p;w{}d= \"",
                      kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;UID=sa;PWD={ p;w{}}d= };TDS_Version=7.4;"},
        TranslateCase{"ConnectTimeoutNotPassed",
                      u"Provider=SQLOLEDB;Data Source=db1;Connect Timeout=3", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;TDS_Version=7.4;", 3},
        TranslateCase{"ConnectionTimeoutZeroMeansNoLimit",
                      u"Provider=SQLOLEDB;Data Source=db1;Connection Timeout= 0 ", kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;TDS_Version=7.4;", 0},
        TranslateCase{"ProviderOnlyPropertiesDropped",
                      u"Provider=SQLOLEDB;Data Source=db1;Auto Translate=True;Packet Size=4096;"
                      u"Use Procedure for Prepare=1;Application Name=Duza;Workstation ID=W1",
                      kFreeTdsDriver,
                      u"Driver={FreeTDS};Server=db1;APP=Duza;WSID=W1;TDS_Version=7.4;"}),
    CaseName<TranslateCase>);

INSTANTIATE_TEST_SUITE_P(
    Odbc, TranslateTest,
    ::testing::Values(
        TranslateCase{"MsdasqlPassesOdbcKeywords",
                      u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=3306;"
                      u"Database=VIVI;UID=u;PWD=p;",
                      kFreeTdsDriver,
                      u"Driver={MariaDB Unicode};Server=127.0.0.1;Port=3306;Database=VIVI;UID=u;"
                      u"PWD=p;",
                      kDefaultLoginTimeoutSeconds, ProviderKind::kOdbc},
        TranslateCase{"NoProviderIsMsdasql", u"DSN=duza;UID=u", kFreeTdsDriver, u"DSN=duza;UID=u;",
                      kDefaultLoginTimeoutSeconds, ProviderKind::kOdbc},
        TranslateCase{"MsdasqlVersionedWithOleDbNames",
                      u"Provider=MSDASQL.1;Data Source=duza;User ID=u;Password=p;"
                      u"Initial Catalog=VIVI;Persist Security Info=False;Connect Timeout=5",
                      kFreeTdsDriver, u"DSN=duza;UID=u;PWD=p;DATABASE=VIVI;", 5,
                      ProviderKind::kOdbc},
        TranslateCase{"QuotedOdbcBracesKeptWhole",
                      u"Provider=MSDASQL;Driver={MariaDB Unicode};PWD=\"{a;b}}c}\"", kFreeTdsDriver,
                      u"Driver={MariaDB Unicode};PWD={a;b}}c};", kDefaultLoginTimeoutSeconds,
                      ProviderKind::kOdbc},
        TranslateCase{"ValueNeedingBracesGetsThem", u"Provider=MSDASQL;DSN=x;PWD=' a=b'",
                      kFreeTdsDriver, u"DSN=x;PWD={ a=b};", kDefaultLoginTimeoutSeconds,
                      ProviderKind::kOdbc},
        TranslateCase{"ExtendedPropertiesAppended",
                      u"Provider=MSDASQL;Extended Properties=\"DSN=x;UID=u\";PWD=p", kFreeTdsDriver,
                      u"PWD=p;DSN=x;UID=u;", kDefaultLoginTimeoutSeconds, ProviderKind::kOdbc}),
    CaseName<TranslateCase>);

TEST(TranslateTest, OpensOwnCredentialsReplaceTheStrings) {
  const OdbcConnectRequest request = TranslateToOdbc(
      u"Provider=SQLOLEDB;Data Source=db1;User ID=a;Password=b", u"sa", u"p;w", kFreeTdsDriver);
  EXPECT_EQ(Utf8(request.connection_string),
            "Driver={FreeTDS};Server=db1;UID=sa;PWD={p;w};TDS_Version=7.4;");
}

TEST(TranslateTest, ErrorSourceNamesTheProvider) {
  EXPECT_EQ(TranslateToOdbc(u"Provider=SQLOLEDB", u"", u"", kFreeTdsDriver).error_source,
            u"Microsoft OLE DB Provider for SQL Server");
  EXPECT_EQ(TranslateToOdbc(u"DSN=x", u"", u"", kFreeTdsDriver).error_source,
            u"Microsoft OLE DB Provider for ODBC Drivers");
}

struct BadStringCase {
  std::string name;
  std::u16string ole_db;
  std::int32_t number;
  std::u16string text;
};

class TranslateFailureTest : public ::testing::TestWithParam<BadStringCase> {};

TEST_P(TranslateFailureTest, Raises) {
  EXPECT_RAISES_TEXT(TranslateToOdbc(GetParam().ole_db, u"", u"", kFreeTdsDriver),
                     GetParam().number, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TranslateFailureTest,
    ::testing::Values(
        BadStringCase{"UnknownProvider", u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb",
                      ado::kProviderNotFound, ado::kProviderNotFoundText},
        BadStringCase{"ProviderWithWrongSuffix", u"Provider=SQLOLEDBX;Data Source=x",
                      ado::kProviderNotFound, ado::kProviderNotFoundText},
        BadStringCase{"NativeClientWithLetters", u"Provider=SQLNCLIab", ado::kProviderNotFound,
                      ado::kProviderNotFoundText},
        BadStringCase{"Malformed", u"Provider=SQLOLEDB;Data Source", ado::kBadInitString,
                      ado::kBadInitStringText},
        BadStringCase{"ConnectTimeoutNotANumber", u"Provider=SQLOLEDB;Connect Timeout=soon",
                      ado::kBadInitString, ado::kBadInitStringText},
        BadStringCase{"ConnectTimeoutNegative", u"Connect Timeout=-1", ado::kBadInitString,
                      ado::kBadInitStringText},
        BadStringCase{"ConnectTimeoutTooLarge", u"Connect Timeout=99999999999",
                      ado::kBadInitString, ado::kBadInitStringText},
        // Keywords passed through that ODBC's syntax cannot carry: written as they are, the
        // first would hand "B=1" to A, the second brace in UID and PWD as A's value.
        BadStringCase{"PassedKeywordWithEquals", u"Provider=MSDASQL;DSN=x;A==B=1",
                      ado::kBadInitString, ado::kBadInitStringText},
        BadStringCase{"PassedKeywordWithOpeningBrace",
                      u"Provider=MSDASQL;DSN=x;A=={b=1;UID=u;PWD=\"p}\"", ado::kBadInitString,
                      ado::kBadInitStringText},
        BadStringCase{"PassedKeywordWithClosingBrace", u"DSN=x;A}=1", ado::kBadInitString,
                      ado::kBadInitStringText}),
    CaseName<BadStringCase>);

// --- Choosing the Windows SQL Server driver --------------------------------------------------

struct DriverCase {
  std::string name;
  std::vector<std::u16string> installed;
  std::u16string chosen;
};

class ChooseDriverTest : public ::testing::TestWithParam<DriverCase> {};

TEST_P(ChooseDriverTest, PicksTheNewest) {
  EXPECT_EQ(Utf8(ChooseSqlServerDriver(GetParam().installed)), Utf8(GetParam().chosen));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseDriverTest,
    ::testing::Values(
        DriverCase{"NothingInstalled", {}, u"SQL Server"},
        DriverCase{
            "OnlyOthers", {u"Microsoft Access Driver (*.mdb)", u"SQL Server"}, u"SQL Server"},
        DriverCase{"NewestOdbcDriver",
                   {u"ODBC Driver 11 for SQL Server", u"SQL Server",
                    u"ODBC Driver 18 for SQL Server", u"ODBC Driver 17 for SQL Server"},
                   u"ODBC Driver 18 for SQL Server"},
        DriverCase{"OdbcDriverBeatsNativeClient",
                   {u"SQL Server Native Client 11.0", u"ODBC Driver 13 for SQL Server"},
                   u"ODBC Driver 13 for SQL Server"},
        DriverCase{"NewestNativeClient",
                   {u"SQL Server Native Client 10.0", u"SQL Server Native Client 11.0",
                    u"SQL Native Client"},
                   u"SQL Server Native Client 11.0"},
        DriverCase{"OldNativeClient", {u"SQL Server", u"SQL Native Client"}, u"SQL Native Client"},
        DriverCase{"MalformedNamesIgnored",
                   {u"ODBC Driver  for SQL Server", u"ODBC Driver x for SQL Server"},
                   u"SQL Server"}),
    CaseName<DriverCase>);

}  // namespace
}  // namespace duza
