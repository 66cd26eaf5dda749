#include "platform/odbc_connection.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/connection_string.h"
#include "platform/error.h"

namespace duza {
namespace {

// Both driver managers are built with 16-bit SQLWCHAR (UTF-16), like our text.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

SQLWCHAR* Wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

constexpr char16_t kNoRecordText[] = u"The ODBC driver reported a failure but no message.";

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Every diagnostic record the last call on `handle` left, in the driver's order.
std::vector<ConnectionError> DiagnosticRecords(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<ConnectionError> records;
  if (handle == SQL_NULL_HANDLE) return records;
  std::u16string message(512, u'\0');
  for (SQLSMALLINT number = 1; number > 0; ++number) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native_error = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, number, state, &native_error, Wide(message),
                                  static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<std::size_t>(length) + 1, u'\0');  // too long: read again
      rc = SQLGetDiagRecW(type, handle, number, state, &native_error, Wide(message),
                          static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) break;
    ConnectionError record;
    for (SQLWCHAR c : state) {
      if (c == 0) break;
      record.sql_state += static_cast<char16_t>(c);
    }
    record.native_error = static_cast<std::int32_t>(native_error);
    // The reported length, but never past the terminator: some drivers count bytes.
    const auto size = std::min<std::size_t>(length < 0 ? 0 : length, message.size() - 1);
    record.description.assign(message.data(), size);
    record.description.resize(std::min(record.description.find(u'\0'), size));
    records.push_back(std::move(record));
    if (number == std::numeric_limits<SQLSMALLINT>::max()) break;
  }
  return records;
}

// One ODBC handle, freed when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(SQLSMALLINT type) : type_(type) {}
  ~Handle() { Free(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const noexcept { return handle_; }
  SQLHANDLE* out() noexcept { return &handle_; }
  SQLSMALLINT type() const noexcept { return type_; }
  void Free() noexcept {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
  }

 private:
  SQLSMALLINT type_ = SQL_HANDLE_ENV;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

#ifdef _WIN32
// The names of the installed ODBC drivers, as the driver manager lists them.
std::vector<std::u16string> InstalledDrivers(SQLHENV env) {
  std::vector<std::u16string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (true) {
    std::u16string name(256, u'\0');
    SQLWCHAR attributes[1024];
    SQLSMALLINT name_length = 0;
    SQLSMALLINT attributes_length = 0;
    const SQLRETURN rc =
        SQLDriversW(env, direction, Wide(name), static_cast<SQLSMALLINT>(name.size()), &name_length,
                    attributes, 1024, &attributes_length);
    if (!Succeeded(rc)) break;
    name.resize(std::min<std::size_t>(name_length < 0 ? 0 : name_length, name.size() - 1));
    names.push_back(std::move(name));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}
#endif

}  // namespace

// Declared in this order so that the connection handle goes before the environment.
struct OdbcConnection::Session {
  Handle env{SQL_HANDLE_ENV};
  Handle dbc{SQL_HANDLE_DBC};
  bool connected = false;

  ~Session() {
    if (connected) SQLDisconnect(dbc.get());
  }
};

namespace {

// The one checked path of every ODBC call: a failure fills `errors` with the failing call's
// records and raises `number` with the first one's text. SQL_SUCCESS_WITH_INFO is success:
// its records are informational and stay out of `errors`.
void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::int32_t number,
           const std::u16string& source, std::vector<ConnectionError>& errors) {
  if (Succeeded(rc)) return;
  errors = DiagnosticRecords(type, handle);
  throw PlatformError(number, errors.empty() ? kNoRecordText : errors.front().description, source);
}

SQLPOINTER IntegerAttribute(std::int32_t value) {
  return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value));
}

// What ADO says when a statement outlives the command timeout, or a logon the login timeout.
constexpr char16_t kQueryTimeoutText[] = u"Query timeout expired";
constexpr char16_t kLoginTimeoutText[] = u"Login timeout expired";
constexpr std::chrono::seconds kLoginTimeoutGrace{2};

// Cancels a statement still running a moment after the command timeout. Drivers are asked
// to limit the statement themselves, but not all of them do for every statement (MariaDB's
// limits only queries, so a CREATE TABLE waiting for another client's lock would wait for
// good); ODBC lets another thread cancel a call in progress, so this one does, late enough
// that a driver which keeps the limit itself reports it first.
class StatementWatchdog {
 public:
  StatementWatchdog(SQLHSTMT statement, std::int32_t timeout_seconds) {
    if (timeout_seconds <= 0) return;  // no limit
    const auto limit = std::chrono::seconds(timeout_seconds) + kGrace;
    thread_ = std::thread([this, statement, limit] {
      {
        std::unique_lock lock(mutex_);
        if (finished_changed_.wait_for(lock, limit, [this] { return finished_; })) return;
        fired_ = true;
      }
      SQLCancel(statement);
    });
  }
  // Ends the watch; the statement handle must outlive this call.
  ~StatementWatchdog() { Finish(); }
  StatementWatchdog(const StatementWatchdog&) = delete;
  StatementWatchdog& operator=(const StatementWatchdog&) = delete;

  // The statement has returned: stop watching it, waiting for a cancel already under way.
  // Returns whether the statement was cancelled.
  bool Finish() {
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    finished_changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    return fired_;
  }

 private:
  static constexpr std::chrono::seconds kGrace{1};
  std::mutex mutex_;
  std::condition_variable finished_changed_;
  bool finished_ = false;
  bool fired_ = false;
  std::thread thread_;
};

}  // namespace

OdbcConnection::OdbcConnection() : command_timeout_seconds_(kDefaultCommandTimeoutSeconds) {}

OdbcConnection::~OdbcConnection() = default;

void OdbcConnection::Open(std::u16string_view connection_string, std::u16string_view user_id,
                          std::u16string_view password, std::int32_t /*options*/) {
  errors_.clear();
  if (session_) {
    throw PlatformError(ado::kObjectOpen, ado::kObjectOpenText, ado::kConnectionSource);
  }
  const std::u16string odbc_source = u"Microsoft OLE DB Provider for ODBC Drivers";
  auto session = std::make_unique<Session>();
  Check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, session->env.out()), SQL_HANDLE_ENV,
        SQL_NULL_HANDLE, ado::kUnspecifiedError, odbc_source, errors_);
  Check(SQLSetEnvAttr(session->env.get(), SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0),
        SQL_HANDLE_ENV, session->env.get(), ado::kUnspecifiedError, odbc_source, errors_);

#ifdef _WIN32
  const std::u16string sql_server_driver =
      ChooseSqlServerDriver(InstalledDrivers(session->env.get()));
#else
  const std::u16string sql_server_driver = kFreeTdsDriver;
#endif
  const OdbcConnectRequest request =
      TranslateToOdbc(connection_string, user_id, password, sql_server_driver);
  error_source_ = request.error_source;

  Check(SQLAllocHandle(SQL_HANDLE_DBC, session->env.get(), session->dbc.out()), SQL_HANDLE_ENV,
        session->env.get(), ado::kUnspecifiedError, error_source_, errors_);
  Check(SQLSetConnectAttrW(session->dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                           IntegerAttribute(request.login_timeout_seconds), SQL_IS_UINTEGER),
        SQL_HANDLE_DBC, session->dbc.get(), ado::kUnspecifiedError, error_source_, errors_);

  std::u16string text = request.connection_string;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<SQLSMALLINT>::max())) {
    throw PlatformError(ado::kBadInitString, ado::kBadInitStringText, error_source_);
  }
  const SQLRETURN rc = request.login_timeout_seconds > 0
                           ? LogOnWithin(session, std::move(text), request.login_timeout_seconds)
                           : SQLDriverConnectW(session->dbc.get(), nullptr, Wide(text),
                                               static_cast<SQLSMALLINT>(text.size()), nullptr,
                                               0, nullptr, SQL_DRIVER_NOPROMPT);
  Check(rc, SQL_HANDLE_DBC, session->dbc.get(), ado::kUnspecifiedError, error_source_, errors_);
  session->connected = true;
  session_ = std::move(session);
}

// Drivers are given the login timeout, but not all of them keep it: MariaDB's ignores it,
// and FreeTDS stops counting once the server has taken the TCP connection, so a server
// that never answers the logon would hold the open for good. The logon therefore runs on a
// thread of its own that the open waits for a little longer than the timeout, so that a
// driver which keeps it reports it first. A logon given up on is left to finish by itself:
// it then hangs up and frees its handles, which nothing else holds any more.
SQLRETURN OdbcConnection::LogOnWithin(std::unique_ptr<Session>& session, std::u16string text,
                                      std::int32_t timeout_seconds) {
  struct Attempt {
    std::mutex mutex;
    std::condition_variable ended_changed;
    bool ended = false;
    bool given_up = false;
    SQLRETURN rc = SQL_ERROR;
    std::unique_ptr<Session> session;
    std::u16string text;
  };
  auto attempt = std::make_shared<Attempt>();
  attempt->session = std::move(session);
  attempt->text = std::move(text);
  std::thread([attempt] {
    const SQLRETURN rc = SQLDriverConnectW(
        attempt->session->dbc.get(), nullptr, Wide(attempt->text),
        static_cast<SQLSMALLINT>(attempt->text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    std::unique_lock lock(attempt->mutex);
    attempt->rc = rc;
    attempt->ended = true;
    if (attempt->given_up) {
      std::unique_ptr<Session> late = std::move(attempt->session);
      lock.unlock();
      late->connected = Succeeded(rc);
      return;  // `late` hangs up and frees the handles
    }
    lock.unlock();
    attempt->ended_changed.notify_all();
  }).detach();

  std::unique_lock lock(attempt->mutex);
  const auto limit = std::chrono::seconds(timeout_seconds) + kLoginTimeoutGrace;
  if (!attempt->ended_changed.wait_for(lock, limit, [&] { return attempt->ended; })) {
    attempt->given_up = true;
    errors_ = {ConnectionError{u"HYT00", 0, kLoginTimeoutText}};
    throw PlatformError(ado::kUnspecifiedError, kLoginTimeoutText, error_source_);
  }
  session = std::move(attempt->session);
  return attempt->rc;
}

void OdbcConnection::Execute(std::u16string_view command_text, std::int32_t /*options*/) {
  errors_.clear();
  if (!session_) {
    throw PlatformError(ado::kObjectClosed, ado::kObjectClosedText, ado::kConnectionSource);
  }
  Handle statement(SQL_HANDLE_STMT);
  Check(SQLAllocHandle(SQL_HANDLE_STMT, session_->dbc.get(), statement.out()), SQL_HANDLE_DBC,
        session_->dbc.get(), ado::kCommandFailed, error_source_, errors_);
  // A driver that cannot limit a statement's time still runs it: not worth failing for.
  SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                  IntegerAttribute(command_timeout_seconds_), SQL_IS_UINTEGER);

  std::u16string text(command_text);
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<SQLINTEGER>::max())) {
    throw PlatformError(ado::kCommandFailed, StandardDescription(err::kOutOfMemory), error_source_);
  }
  StatementWatchdog watchdog(statement.get(), command_timeout_seconds_);
  SQLRETURN last =
      SQLExecDirectW(statement.get(), Wide(text), static_cast<SQLINTEGER>(text.size()));
  // Discard every result; a later statement of a batch may still fail here, also after a
  // first one that touched no rows (SQL_NO_DATA, as FreeTDS answers a CREATE TABLE).
  if (Succeeded(last) || last == SQL_NO_DATA) {
    do {
      last = SQLMoreResults(statement.get());
    } while (Succeeded(last));
  }
  const bool cancelled = watchdog.Finish();
  if (last == SQL_NO_DATA) return;
  if (cancelled) {
    // The driver's records say only that the statement was interrupted: name the cause
    // first, as ADO does, and keep them after it.
    errors_ = DiagnosticRecords(SQL_HANDLE_STMT, statement.get());
    errors_.insert(errors_.begin(), ConnectionError{u"HYT00", 0, kQueryTimeoutText});
    throw PlatformError(ado::kQueryTimeout, kQueryTimeoutText, error_source_);
  }
  Check(last, SQL_HANDLE_STMT, statement.get(), ado::kCommandFailed, error_source_, errors_);
}

void OdbcConnection::Close() {
  errors_.clear();
  if (!session_) {
    throw PlatformError(ado::kObjectClosed, ado::kObjectClosedText, ado::kConnectionSource);
  }
  // Closed from here on whatever the driver says; the handles go with the session.
  const std::unique_ptr<Session> session = std::move(session_);
  session->connected = false;
  Check(SQLDisconnect(session->dbc.get()), SQL_HANDLE_DBC, session->dbc.get(),
        ado::kUnspecifiedError, error_source_, errors_);
}

void OdbcConnection::SetCommandTimeout(std::int32_t seconds) {
  if (seconds < 0) Raise(err::kInvalidProcedureCall);
  command_timeout_seconds_ = seconds;
}

std::unique_ptr<Connection> CreateOdbcConnection() { return std::make_unique<OdbcConnection>(); }

ConnectionFactory MakeOdbcConnectionFactory() {
  return [] { return CreateOdbcConnection(); };
}

}  // namespace duza
