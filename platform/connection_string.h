// OLE DB connection strings, and their translation into the ODBC connection strings that
// the connection hands to the driver manager. Pure functions: no driver is consulted.
//
// OLE DB format, as read here:
//   string   = { segment ";" } [ segment ]
//   segment  = blanks | name "=" value          (blanks: spaces and tabs)
// - Names are trimmed of blanks and compared case-insensitively; "==" inside a name stands
//   for one '='. A segment that is not blank but has no '=' in it, or whose name is empty,
//   makes the whole string malformed.
// - A value is trimmed of blanks, unless it starts (after blanks) with a double or single
//   quote: then it runs to the matching closing quote, inside which the quote character is
//   written twice, and is read back exactly, blanks, ';' and '=' included. Only blanks may
//   follow the closing quote before the next ';'; an unclosed quote is malformed.
// - Empty and blank segments (";;", a trailing ';') are skipped.
// - A name given more than once: the last value counts, as OLE DB's own parser does.
// Malformed strings raise ado::kBadInitString with OLE DB's text for it.
//
// Translation (TranslateToOdbc):
// - Provider SQLOLEDB, SQLNCLI*, MSOLEDBSQL* (any case, version suffixes such as SQLNCLI11,
//   MSOLEDBSQL19 or ".1") go to the given SQL Server ODBC driver with the OLE DB keywords
//   mapped: Data Source / Server / Address / Addr / Network Address -> Server, Initial
//   Catalog / Database -> Database, User ID / UID -> UID, Password / PWD -> PWD, Integrated
//   Security (SSPI, True, Yes) / Trusted_Connection (Yes, True) -> Trusted_Connection=Yes,
//   Application Name -> APP, Workstation ID -> WSID. For FreeTDS, which takes no
//   "host,port", that form becomes Server=host;Port=port; "host\instance" is passed as it
//   is (FreeTDS asks the server's browser service for the instance's port); a "tcp:" prefix
//   goes and "(local)" or "." becomes localhost. The protocol
//   version is fixed at TDS 7.4 (FreeTDS's "auto" ignores the login timeout). Every other
//   keyword is OLE DB's alone (Persist Security Info, Auto Translate, Packet Size, ...) and
//   is dropped.
// - Provider MSDASQL, or no Provider at all (ADO's default is MSDASQL), passes the ODBC
//   keywords through, with OLE DB's own names for them mapped the way MSDASQL maps them:
//   Data Source -> DSN, User ID -> UID, Password -> PWD, Initial Catalog -> DATABASE;
//   Extended Properties, an ODBC string itself, is appended as it is; Persist Security Info,
//   OLE DB Services and Prompt, which only the provider reads, are dropped. A value written
//   in ODBC's braces ("Driver={MariaDB Unicode}") keeps its meaning. A keyword passed
//   through that holds '=', '{' or '}' cannot be written in ODBC's syntax and makes the
//   string malformed.
// - Connect Timeout / Connection Timeout is never passed to the driver: it becomes the
//   login timeout (ADO's default 15 seconds when absent; 0 waits without limit); a value
//   that is not a whole number of seconds makes the string malformed.
// - Any other provider raises ado::kProviderNotFound.
// The user name and password given to Open, when not empty, replace those of the string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace duza {

struct ConnectionProperty {
  std::u16string name;   // trimmed, as written (compare with SameKeyword)
  std::u16string value;  // as read: unquoted, or trimmed
  friend bool operator==(const ConnectionProperty&, const ConnectionProperty&) = default;
};

// Case-insensitive comparison of two keywords (ASCII and Latin-1 letters).
bool SameKeyword(std::u16string_view a, std::u16string_view b);

// The pairs in the order written, duplicates included. Raises ado::kBadInitString.
std::vector<ConnectionProperty> ParseOleDbConnectionString(std::u16string_view text);

// The value of the last pair named `name`, or nullptr.
const std::u16string* FindProperty(const std::vector<ConnectionProperty>& properties,
                                   std::u16string_view name);

// One value written so that ParseOleDbConnectionString reads it back exactly: as it is
// when that is safe, otherwise (a ';', blanks at either end, a leading quote or '=') in
// double quotes (or single quotes when it holds double quotes but no single ones), the
// quote character doubled inside.
std::u16string QuoteOleDbValue(std::u16string_view value);

// "name=value;" for every pair, names with '=' doubled and values quoted as needed.
std::u16string FormatOleDbConnectionString(const std::vector<ConnectionProperty>& properties);

// One value as ODBC reads it: braced, with '}' doubled, when it holds ';', '{', '}' or '=',
// or starts or ends with a blank; as it is otherwise.
std::u16string QuoteOdbcValue(std::u16string_view value);

// Reads an ODBC connection string back into its pairs (braced values unquoted); for tests
// and diagnostics. Raises ado::kBadInitString for an unclosed brace.
std::vector<ConnectionProperty> ParseOdbcConnectionString(std::u16string_view text);

enum class ProviderKind {
  kSqlServer,  // SQLOLEDB and its successors
  kOdbc,       // MSDASQL
};

// What the connection needs to connect over ODBC.
struct OdbcConnectRequest {
  ProviderKind provider = ProviderKind::kOdbc;
  std::u16string connection_string;  // for SQLDriverConnect
  std::int32_t login_timeout_seconds = 15;
  std::u16string error_source;  // the provider's name, as ADO shows it
};

inline constexpr std::int32_t kDefaultLoginTimeoutSeconds = 15;
inline constexpr std::int32_t kDefaultCommandTimeoutSeconds = 30;
inline constexpr char16_t kFreeTdsDriver[] = u"FreeTDS";

// The kind of provider a Provider value names; raises ado::kProviderNotFound for any other.
// An empty value is ADO's default, MSDASQL.
ProviderKind ProviderKindOf(std::u16string_view provider);

// Translates an OLE DB connection string; `sql_server_driver` is the ODBC driver that
// stands for SQL Server's OLE DB providers. Raises ado::kBadInitString or
// ado::kProviderNotFound.
OdbcConnectRequest TranslateToOdbc(std::u16string_view ole_db, std::u16string_view user_id,
                                   std::u16string_view password,
                                   std::u16string_view sql_server_driver);

// The SQL Server driver to use among the installed ODBC drivers: the newest "ODBC Driver N
// for SQL Server", else the newest "SQL Server Native Client N", else "SQL Native Client",
// else Windows' built-in "SQL Server".
std::u16string ChooseSqlServerDriver(const std::vector<std::u16string>& installed_drivers);

}  // namespace duza
