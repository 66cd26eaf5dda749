#include "settings/connection_settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/connection_string.h"
#include "platform/error.h"
#include "platform/text.h"
#include "tests/settings/scripted_random_source.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

using testing::EncodeWith;
using testing::Repeated;

// --- Run-input checks ---------------------------------------------------------------

struct RunInputCase {
  const char* name;
  std::u16string client;
  std::u16string data_directory;
  std::u16string web_directory;
  std::vector<std::string> reads;  // the fields read, in order
  std::vector<std::u16string> status;
  std::optional<std::u16string> result;
};

class CheckRunInputsTest : public ::testing::TestWithParam<RunInputCase> {};

TEST_P(CheckRunInputsTest, ReadsInOrderAndNormalises) {
  const auto& c = GetParam();
  std::vector<std::string> reads;
  std::vector<std::u16string> status;
  const RunInputFields fields{
      [&] { reads.push_back("client"); return c.client; },
      [&] { reads.push_back("data"); return c.data_directory; },
      [&] { reads.push_back("web"); return c.web_directory; },
      [&](std::u16string_view line) { status.emplace_back(line); },
  };
  EXPECT_EQ(CheckRunInputs(fields), c.result);
  EXPECT_EQ(reads, c.reads);
  EXPECT_EQ(status, c.status);
}

const std::vector<std::string> kAllRead = {"client", "data", "web"};
const std::vector<std::string> kWebNotRead = {"client", "data"};
const std::u16string kDefaultWeb = u"C:\\Inetpub\\wwwroot";

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckRunInputsTest,
    ::testing::Values(
        RunInputCase{"Defaults", u"VIVI", u"D:\\RAZ", kDefaultWeb, kAllRead, {}, kDefaultWeb},
        RunInputCase{"TrailingBackslash", u"VIVI", u"D:\\RAZ", kDefaultWeb + u"\\", kAllRead,
                     {}, kDefaultWeb},
        RunInputCase{"TwoTrailingBackslashesKeepOne", u"VIVI", u"D:\\RAZ",
                     kDefaultWeb + u"\\\\", kAllRead, {}, kDefaultWeb + u"\\"},
        RunInputCase{"OnlyBackslash", u"VIVI", u"D:\\RAZ", u"\\", kAllRead, {}, u""},
        RunInputCase{"EmptyWebDirectory", u"VIVI", u"D:\\RAZ", u"", kAllRead, {}, u""},
        RunInputCase{"TrailingSlashStays", u"VIVI", u"D:\\RAZ", u"/srv/www/", kAllRead, {},
                     u"/srv/www/"},
        RunInputCase{"BlankClientIsNotEmpty", u" ", u"D:\\RAZ", kDefaultWeb, kAllRead, {},
                     kDefaultWeb},
        RunInputCase{"EmptyClient", u"", u"D:\\RAZ", kDefaultWeb, kAllRead,
                     {kEmptyClientStatus}, kDefaultWeb},
        RunInputCase{"EmptyDataDirectory", u"VIVI", u"", kDefaultWeb, kWebNotRead, {},
                     std::nullopt},
        RunInputCase{"BothEmpty", u"", u"", kDefaultWeb, kWebNotRead, {kEmptyClientStatus},
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Quoting of credentials ------------------------------------------------------------

// Reads the value of one OLE DB keyword from its first character up to the ';' that ends
// it, as an OLE DB connection-string parser does: white space around is dropped; a value
// opened by a quote runs to the matching quote, a doubled quote standing for one.
std::optional<std::u16string> ReadBackValue(std::u16string_view text) {
  const auto blank = [](char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
  };
  std::size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  std::u16string value;
  if (i < text.size() && (text[i] == u'"' || text[i] == u'\'')) {
    const char16_t quote = text[i++];
    for (;;) {
      if (i == text.size()) return std::nullopt;  // unterminated
      const char16_t c = text[i++];
      if (c != quote) {
        value += c;
      } else if (i < text.size() && text[i] == quote) {
        value += quote;
        ++i;
      } else {
        break;
      }
    }
    while (i < text.size() && blank(text[i])) ++i;
    if (i < text.size() && text[i] != u';') return std::nullopt;  // text after the quote
    return value;
  }
  const std::size_t end = text.find(u';', i);
  value = text.substr(i, end == std::u16string_view::npos ? std::u16string_view::npos : end - i);
  while (!value.empty() && blank(value.back())) value.pop_back();
  return value;
}

struct QuoteCase {
  const char* name;
  std::u16string value;
  std::u16string quoted;
};

class QuoteConnectionValueTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteConnectionValueTest, QuotesOnlyWhatAParserWouldMisread) {
  const auto& c = GetParam();
  EXPECT_EQ(QuoteConnectionValue(c.value), c.quoted);
  EXPECT_EQ(ReadBackValue(c.quoted + u";Next=1"), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuoteConnectionValueTest,
    ::testing::Values(QuoteCase{"Plain", u"sa", u"sa"},
                      QuoteCase{"Empty", u"", u""},
                      QuoteCase{"EqualsSign", u"a=b", u"a=b"},
                      // "User ID==pw" would be the keyword "User ID=pw" without a value.
                      QuoteCase{"LeadingEqualsSign", u"=pw", u"\"=pw\""},
                      QuoteCase{"OnlyEqualsSign", u"=", u"\"=\""},
                      QuoteCase{"InnerBlank", u"duza web", u"duza web"},
                      QuoteCase{"NonAscii", u"caf\u00E9", u"caf\u00E9"},
                      QuoteCase{"Semicolon", u"p;w", u"\"p;w\""},
                      QuoteCase{"LeadingBlank", u" pw", u"\" pw\""},
                      QuoteCase{"TrailingBlank", u"pw ", u"\"pw \""},
                      QuoteCase{"TrailingTab", u"pw\t", u"\"pw\t\""},
                      QuoteCase{"OnlyBlank", u" ", u"\" \""},
                      QuoteCase{"DoubleQuote", u"a\"b", u"'a\"b'"},
                      QuoteCase{"LeadingDoubleQuote", u"\"pw", u"'\"pw'"},
                      QuoteCase{"SingleQuote", u"it's", u"\"it's\""},
                      QuoteCase{"LeadingSingleQuote", u"'pw", u"\"'pw\""},
                      QuoteCase{"BothQuotes", u"it's \"x\"", u"\"it's \"\"x\"\"\""},
                      QuoteCase{"KeywordInjection", u"x;Integrated Security=SSPI",
                                u"\"x;Integrated Security=SSPI\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(QuoteConnectionValueTest, ConnectionStringParserReadsItBack) {
  const auto& c = GetParam();
  const std::vector<ConnectionProperty> expected = {{u"User ID", c.value}, {u"Next", u"1"}};
  EXPECT_EQ(ParseOleDbConnectionString(u"User ID=" + QuoteConnectionValue(c.value) + u";Next=1"),
            expected);
}

TEST(QuoteConnectionValueTest, EveryValueReadsBack) {
  const std::u16string alphabet = u"a ;\"'=\t";
  std::mt19937 generator(7);
  std::uniform_int_distribution<std::size_t> length(0, 8);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (int i = 0; i < 3000; ++i) {
    std::u16string value;
    for (std::size_t n = length(generator); n > 0; --n) value += alphabet[pick(generator)];
    const std::u16string quoted = QuoteConnectionValue(value);
    ASSERT_EQ(ReadBackValue(quoted + u";Next=1"), value) << Utf8FromUtf16(quoted);
    const std::vector<ConnectionProperty> expected = {{u"User ID", value}};
    ASSERT_EQ(ParseOleDbConnectionString(u"User ID=" + quoted), expected)
        << Utf8FromUtf16(quoted);
  }
}

// --- Extraction and building -----------------------------------------------------------

struct Outcome {
  std::optional<std::u16string> text;  // nothing: fails with `error`
  std::int32_t error = 0;
};
Outcome Gives(std::u16string text) { return {std::move(text)}; }
Outcome Fails(std::int32_t error) { return {std::nullopt, error}; }

struct BuildCase {
  std::string name;
  std::u16string web_config;
  Outcome extracted;
  bool use_sql_login = false;
  std::u16string login;
  std::u16string password;
  Outcome built;
};

void PrintTo(const BuildCase& c, std::ostream* os) { *os << c.name; }

const std::u16string kStored =
    u"Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=DUZA;User ID=app;Password=secret";
const std::u16string kKept = u"Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=DUZA;";
const std::u16string kWindowsLogon = u"Trusted_Connection = Yes;Integrated Security=SSPI;";

std::u16string Encoded(std::u16string_view plain) { return EncodeWith(plain, 7, 42); }

// The encoding of `plain` stretched to `length` digits: zeros between the groups and the
// masked length, which the decoder never reads.
std::u16string Stretched(std::u16string_view plain, std::size_t length) {
  std::u16string value = Encoded(plain);
  value.insert(3 + 3 * plain.size(), length - value.size(), u'0');
  return value;
}

std::u16string Entry(std::u16string_view value, std::u16string_view end = u"\" />") {
  return u"<add key=\"VAREDO\" value=\"" + std::u16string(value) + std::u16string(end);
}

std::u16string InSettings(std::u16string_view entries) {
  return u"<?xml version=\"1.0\"?>\r\n<configuration>\r\n  <appSettings>\r\n    " +
         std::u16string(entries) + u"\r\n  </appSettings>\r\n</configuration>\r\n";
}

std::vector<BuildCase> BuildCases() {
  const std::u16string stored = Encoded(kStored);
  const std::u16string conforming = InSettings(Entry(stored));
  const auto decoded_as = [](std::u16string plain, bool sql, Outcome built) {
    return BuildCase{"", InSettings(Entry(Encoded(plain))), Gives(Encoded(plain)), sql,
                     u"sa", u"pw", std::move(built)};
  };
  const auto with_credentials = [&](std::string name, std::u16string login,
                                    std::u16string password, std::u16string suffix) {
    return BuildCase{std::move(name), conforming, Gives(stored), true, std::move(login),
                     std::move(password), Gives(kKept + suffix)};
  };
  std::vector<BuildCase> cases = {
      {"WindowsLogon", conforming, Gives(stored), false, u"ignored", u"ignored",
       Gives(kKept + kWindowsLogon)},
      with_credentials("SqlLogin", u"sa", u"pw", u"User ID=sa;Password=pw;"),
      with_credentials("SqlLoginEmptyValues", u"", u"", u"User ID=;Password=;"),
      with_credentials("SqlLoginEqualsSign", u"sa", u"a=b", u"User ID=sa;Password=a=b;"),
      with_credentials("PasswordWithSemicolon", u"sa", u"p;w",
                       u"User ID=sa;Password=\"p;w\";"),
      with_credentials("LoginAddingAKeyword", u"x;Integrated Security=SSPI", u"pw",
                       u"User ID=\"x;Integrated Security=SSPI\";Password=pw;"),
      with_credentials("PasswordWithBlanksAround", u"sa", u" pw ",
                       u"User ID=sa;Password=\" pw \";"),
      with_credentials("PasswordWithDoubleQuote", u"sa", u"a\"b",
                       u"User ID=sa;Password='a\"b';"),
      with_credentials("PasswordWithBothQuotes", u"sa", u"it's \"x\"",
                       u"User ID=sa;Password=\"it's \"\"x\"\"\";"),
      // Key marker absent: K = 0, and positions 20 to E - 2 are cut as if they were the
      // value. "<add key=\"varedo\" v" is 19 characters.
      {"KeyInOtherCase", u"<add key=\"varedo\" value=\"" + stored + u"\" />",
       Gives(u"alue=\"" + stored), false, {}, {}, Fails(err::kTypeMismatch)},
      {"TwoBlanksBeforeValue", u"<add key=\"VAREDO\"  value=\"" + stored + u"\" />",
       Gives(u"value=\"" + stored), false, {}, {}, Fails(err::kTypeMismatch)},
      {"KeyAbsentEarlyEndMarker", u"<appSettings /><add key=\"OTHER\" value=\"1\" />",
       Fails(err::kInvalidProcedureCall), false, {}, {}, Fails(err::kInvalidProcedureCall)},
      {"KeyAbsentNoEndMarker", u"<configuration></configuration>",
       Fails(err::kInvalidProcedureCall), false, {}, {}, Fails(err::kInvalidProcedureCall)},
      {"EmptyText", u"", Fails(err::kInvalidProcedureCall), false, {}, {},
       Fails(err::kInvalidProcedureCall)},
      {"NoEndMarkerAfterKey", Entry(stored, u"\"/>"), Fails(err::kInvalidProcedureCall),
       false, {}, {}, Fails(err::kInvalidProcedureCall)},
      {"NoBlankBeforeSlash", Entry(stored, u"\"/>\r\n<add key=\"X\" value=\"1\" />"),
       Gives(stored + u"\"/>\r\n<add key=\"X\" value=\"1"), false, {}, {},
       Fails(err::kTypeMismatch)},
      {"TwoBlanksBeforeSlash", Entry(stored, u"\"  />"), Gives(stored + u"\""), false, {},
       {}, Fails(err::kTypeMismatch)},
      {"ThreeBlanksBeforeSlash", Entry(stored, u"\"   />"), Gives(stored + u"\" "), false,
       {}, {}, Fails(err::kTypeMismatch)},
      {"TwoEntriesFirstCounts", InSettings(Entry(stored) + Entry(Encoded(u"Data Source=b;User"))),
       Gives(stored), false, {}, {}, Gives(kKept + kWindowsLogon)},
      {"FirstKeyEvenInAComment",
       u"<!-- " + Entry(Encoded(u"Data Source=old;User ID=x")) + u" -->" + conforming,
       Gives(Encoded(u"Data Source=old;User ID=x")), false, {}, {},
       Gives(u"Data Source=old;" + kWindowsLogon)},
      {"EmptyValue", InSettings(Entry(u"")), Gives(u""), false, {}, {},
       Fails(err::kTypeMismatch)},
      // The key marker at 6, the value from 26, its closing quote, then E.
      {"EndMarkerAt32767", Entry(Stretched(kStored, 32740)), Gives(Stretched(kStored, 32740)),
       false, {}, {}, Gives(kKept + kWindowsLogon)},
      {"EndMarkerAt32768", Entry(Stretched(kStored, 32741)), Fails(err::kOverflow), false, {},
       {}, Fails(err::kOverflow)},
  };
  auto named = [](std::string name, BuildCase c) {
    c.name = std::move(name);
    return c;
  };
  cases.push_back(named("NoLoginMarkerWindows",
                        decoded_as(u"Provider=SQLOLEDB;Data Source=srv", false,
                                   Gives(kWindowsLogon))));
  cases.push_back(named("NoLoginMarkerSql", decoded_as(u"Provider=SQLOLEDB;Data Source=srv",
                                                       true, Gives(u"User ID=sa;Password=pw;"))));
  cases.push_back(named("LoginMarkerTwice",
                        decoded_as(u"Data Source=a;User ID=x;User ID=y", true,
                                   Gives(u"Data Source=a;User ID=sa;Password=pw;"))));
  cases.push_back(named("LoginMarkerLowerCase",
                        decoded_as(u"Data Source=a;user id=x", false, Gives(kWindowsLogon))));
  cases.push_back(named("DecodedEndsAtMarker",
                        decoded_as(u"Data Source=a;User", false,
                                   Gives(u"Data Source=a;" + kWindowsLogon))));
  return cases;
}

class BuildConnectionStringTest : public ::testing::TestWithParam<BuildCase> {};

void ExpectOutcome(const Outcome& expected, const std::function<std::u16string()>& call) {
  if (expected.text) {
    EXPECT_EQ(Utf8FromUtf16(call()), Utf8FromUtf16(*expected.text));
  } else {
    EXPECT_RAISES(call(), expected.error);
  }
}

TEST_P(BuildConnectionStringTest, ExtractsAndBuilds) {
  const auto& c = GetParam();
  ExpectOutcome(c.extracted, [&] { return ExtractEncodedValue(c.web_config); });
  ExpectOutcome(c.built, [&] {
    return BuildConnectionString(c.web_config, c.use_sql_login, c.login, c.password);
  });
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildConnectionStringTest, ::testing::ValuesIn(BuildCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace duza
