// A minimal ODBC driver for unixODBC that answers with scripted diagnostics. It stands for
// what SQL Server says and no server here can: informational records on a successful login
// ("Changed database context to ...", "Changed language setting to ..."), PRINT output of a
// statement, and failures that carry several records. The connection under test loads it
// through the real driver manager by its path ("Driver={/path/libscripted_odbc_driver.so}").
//
// Statements (the whole text):
//   "PRINT"        succeeds with one informational record
//   "NO ROWS"      answers SQL_NO_DATA, as FreeTDS does for a statement without rows
//   "FAIL"         fails with two records
//   "LONG FAIL"    fails with one record of 1500 characters
//   "ROWS THEN FAIL"  succeeds, then fails with one record when the next result is asked for
//   "NO ROWS THEN FAIL"  answers SQL_NO_DATA, then fails like "ROWS THEN FAIL"
//   anything else  succeeds without records
// Connection strings: "Login=fail" fails the login with two records; otherwise the login
// succeeds with two informational records.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Record {
  std::u16string state;
  SQLINTEGER native;
  std::u16string text;
};

struct Handle {
  SQLSMALLINT type;
  std::vector<Record> records;
  bool fail_on_more_results = false;
};

Handle* Of(SQLHANDLE handle) { return static_cast<Handle*>(handle); }

std::u16string Text(const SQLWCHAR* text, SQLINTEGER length) {
  std::u16string result;
  if (text == nullptr) return result;
  if (length == SQL_NTS) {
    for (; *text != 0; ++text) result += static_cast<char16_t>(*text);
  } else {
    for (SQLINTEGER i = 0; i < length; ++i) result += static_cast<char16_t>(text[i]);
  }
  return result;
}

SQLRETURN With(Handle* handle, SQLRETURN rc, std::vector<Record> records) {
  handle->records = std::move(records);
  return rc;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE, SQLHANDLE* out) {
  *out = new Handle{type, {}};
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT, SQLHANDLE handle) {
  delete Of(handle);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT size,
                              SQLSMALLINT* length) {
  if (type == SQL_DRIVER_ODBC_VER && value != nullptr && size >= 12) {
    const char16_t version[] = u"03.51";
    std::memcpy(value, version, sizeof version);
    if (length != nullptr) *length = 10;
    return SQL_SUCCESS;
  }
  if (value != nullptr && size >= 4) std::memset(value, 0, 4);
  if (length != nullptr) *length = 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC dbc, SQLHWND, SQLWCHAR* in, SQLSMALLINT in_length,
                                    SQLWCHAR*, SQLSMALLINT, SQLSMALLINT* out_length, SQLUSMALLINT) {
  if (out_length != nullptr) *out_length = 0;
  const std::u16string text = Text(in, in_length);
  if (text.find(u"Login=fail") != std::u16string::npos) {
    return With(Of(dbc), SQL_ERROR,
                {{u"28000", 18456, u"[Scripted][SQL Server]Login failed for user 'a'."},
                 {u"01000", 0, u"[Scripted][SQL Server]The login packet was refused."}});
  }
  return With(Of(dbc), SQL_SUCCESS_WITH_INFO,
              {{u"01000", 5701, u"[Scripted][SQL Server]Changed database context to 'duza'."},
               {u"01000", 5703, u"[Scripted][SQL Server]Changed language setting to us_english."}});
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT statement, SQLWCHAR* text, SQLINTEGER length) {
  Handle* handle = Of(statement);
  const std::u16string command = Text(text, length);
  handle->fail_on_more_results = false;
  if (command == u"PRINT") {
    return With(handle, SQL_SUCCESS_WITH_INFO, {{u"01000", 0, u"[Scripted][SQL Server]note"}});
  }
  if (command == u"NO ROWS") return With(handle, SQL_NO_DATA, {});
  if (command == u"NO ROWS THEN FAIL") {
    handle->fail_on_more_results = true;
    return With(handle, SQL_NO_DATA, {});
  }
  if (command == u"FAIL") {
    return With(handle, SQL_ERROR,
                {{u"42S01", 2714,
                  u"[Scripted][SQL Server]There is already an object named 'FINPERIOD' in the "
                  u"database."},
                 {u"42000", 1750, u"[Scripted][SQL Server]Could not create constraint."}});
  }
  if (command == u"LONG FAIL") {
    std::u16string text = u"[Scripted][SQL Server]";
    while (text.size() < 1499) text += u"0123456789";
    text.resize(1499);
    return With(handle, SQL_ERROR, {{u"42000", 1, text + u"!"}});
  }
  if (command == u"ROWS THEN FAIL") handle->fail_on_more_results = true;
  return With(handle, SQL_SUCCESS, {});
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT statement) {
  Handle* handle = Of(statement);
  if (handle->fail_on_more_results) {
    handle->fail_on_more_results = false;
    return With(handle, SQL_ERROR,
                {{u"22012", 8134, u"[Scripted][SQL Server]Divide by zero error encountered."}});
  }
  return With(handle, SQL_NO_DATA, {});
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT, SQLUSMALLINT) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) { return With(Of(dbc), SQL_SUCCESS, {}); }

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT number, SQLWCHAR* state,
                                 SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT size,
                                 SQLSMALLINT* length) {
  const auto& records = Of(handle)->records;
  if (number < 1 || static_cast<std::size_t>(number) > records.size()) return SQL_NO_DATA;
  const Record& record = records[static_cast<std::size_t>(number) - 1];
  if (state != nullptr) {
    for (std::size_t i = 0; i < 5; ++i) state[i] = record.state[i];
    state[5] = 0;
  }
  if (native != nullptr) *native = record.native;
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(record.text.size());
  if (text != nullptr && size > 0) {
    const std::size_t n = std::min<std::size_t>(record.text.size(), size - 1);
    for (std::size_t i = 0; i < n; ++i) text[i] = record.text[i];
    text[n] = 0;
    if (n < record.text.size()) return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

// The driver manager counts the records through SQL_DIAG_NUMBER before it reads them.
SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT number,
                                   SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT, SQLSMALLINT*) {
  const auto& records = Of(handle)->records;
  if (number == 0 && field == SQL_DIAG_NUMBER) {
    if (value != nullptr)
      *static_cast<SQLINTEGER*>(value) = static_cast<SQLINTEGER>(records.size());
    return SQL_SUCCESS;
  }
  if (number < 0 || static_cast<std::size_t>(number) > records.size()) return SQL_NO_DATA;
  if (value != nullptr && field == SQL_DIAG_ROW_COUNT) *static_cast<SQLLEN*>(value) = 0;
  return number == 0 ? SQL_SUCCESS : SQL_ERROR;  // no other field is scripted
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                  SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size,
                                  SQLSMALLINT* length) {
  return SQLGetDiagFieldW(type, handle, number, field, value, size, length);
}

// The driver manager looks for the narrow entry point to decide that a driver reports
// errors at all; the text is ASCII here.
SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                SQLCHAR* state, SQLINTEGER* native, SQLCHAR* text, SQLSMALLINT size,
                                SQLSMALLINT* length) {
  SQLWCHAR wide_state[6];
  std::vector<SQLWCHAR> wide_text(size > 0 ? size : 1);
  const SQLRETURN rc =
      SQLGetDiagRecW(type, handle, number, wide_state, native, wide_text.data(), size, length);
  if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return rc;
  if (state != nullptr) {
    for (int i = 0; i < 6; ++i) state[i] = static_cast<SQLCHAR>(wide_state[i]);
  }
  if (text != nullptr) {
    for (SQLSMALLINT i = 0; i < size; ++i) {
      text[i] = static_cast<SQLCHAR>(wide_text[i]);
      if (wide_text[i] == 0) break;
    }
  }
  return rc;
}

}  // extern "C"
