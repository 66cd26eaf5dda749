// The shared MariaDB test server as the suites see it: its port and logins, read from the
// state directory that tests/db/mariadb-server wrote (named by DUZA_MARIADB_STATE), and
// connection strings for its ODBC driver.
#pragma once

#include <string>
#include <string_view>

namespace duza::testing {

inline constexpr char16_t kMariaDbDriver[] = u"MariaDB Unicode";  // as odbcinst.ini names it

struct MariaDbState {
  std::string state_dir;
  int port = 0;
  std::string socket;
  std::u16string user;  // may create and drop tables in VIVI and duza
  std::u16string password;
  std::u16string reader_user;  // may only read them
  std::u16string reader_password;
};

// Reads $DUZA_MARIADB_STATE/state; throws std::runtime_error saying what is missing.
MariaDbState ReadMariaDbState();
MariaDbState ReadMariaDbState(const std::string& state_dir);

// "Driver={MariaDB Unicode};Server=127.0.0.1;Port=N;Database=VIVI;UID=...;PWD=...;"
std::u16string MariaDbOdbcString(const MariaDbState& state, std::u16string_view database,
                                 std::u16string_view user, std::u16string_view password);

// The same behind ADO's ODBC provider: "Provider=MSDASQL;Driver={MariaDB Unicode};...".
std::u16string MariaDbOleDbString(const MariaDbState& state, std::u16string_view database,
                                  std::u16string_view user, std::u16string_view password);
// ... as the writing user, in VIVI.
std::u16string MariaDbOleDbString(const MariaDbState& state);

// Runs SQL text as the server's root over its socket with the command-line client and
// returns what it prints (tab-separated rows, no headings); throws std::runtime_error with
// the client's message when it fails. For setting up and checking beside the code under
// test, never in its place.
std::string RunAsRoot(const MariaDbState& state, std::string_view sql);

}  // namespace duza::testing
