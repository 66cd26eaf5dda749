// The real connection: ADO's Connection over ODBC (unixODBC on Linux, the system's driver
// manager on Windows). The OLE DB connection string is translated as connection_string.h
// describes; each entry of Errors is one diagnostic record of the call that failed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/connection.h"

namespace duza {

class OdbcConnection final : public Connection {
 public:
  OdbcConnection();
  // Disconnects when still open (ADO does so when the last reference goes); never throws.
  ~OdbcConnection() override;
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  // Raises ado::kBadInitString or ado::kProviderNotFound for a string it cannot use,
  // ado::kObjectOpen when already open, and ado::kUnspecifiedError with the driver's first
  // record when the driver cannot connect. The login waits at most the string's Connect
  // Timeout, 15 seconds when it gives none (0: no limit); a driver still busy a moment
  // after that is given up on with "Login timeout expired" (SQLSTATE HYT00).
  void Open(std::u16string_view connection_string, std::u16string_view user_id = {},
            std::u16string_view password = {},
            std::int32_t options = ado::kUnspecifiedOptions) override;

  // Raises ado::kObjectClosed when not open and ado::kCommandFailed with the driver's first
  // record when the statement fails. A statement may run for CommandTimeout() seconds; one
  // still running a moment later is cancelled and raises ado::kQueryTimeout, "Query timeout
  // expired" (SQLSTATE HYT00) first in Errors, the driver's records after it.
  // `options` is accepted and not used: every statement runs synchronously.
  void Execute(std::u16string_view command_text,
               std::int32_t options = ado::kUnspecifiedOptions) override;

  // Raises ado::kObjectClosed when not open.
  void Close() override;

  const std::vector<ConnectionError>& Errors() const override { return errors_; }

  // ADO's CommandTimeout: the seconds a statement may run before the driver gives up on it,
  // 30 unless set, 0 for no limit. A negative number raises err::kInvalidProcedureCall.
  // Applies to the statements executed after the call.
  void SetCommandTimeout(std::int32_t seconds);
  std::int32_t CommandTimeout() const { return command_timeout_seconds_; }

 private:
  struct Session;  // the ODBC handles of one open connection
  // Connects the session's handle with `text`, giving up a moment after the timeout.
  // Returns the driver's SQLRETURN (a short int, as in sql.h).
  short LogOnWithin(std::unique_ptr<Session>& session, std::u16string text,
                    std::int32_t timeout_seconds);
  std::unique_ptr<Session> session_;
  std::vector<ConnectionError> errors_;
  std::u16string error_source_;
  std::int32_t command_timeout_seconds_;
};

std::unique_ptr<Connection> CreateOdbcConnection();
ConnectionFactory MakeOdbcConnectionFactory();

}  // namespace duza
