// The ADO-style database connection the update run talks through: Open, Execute, Close
// and the Errors collection. The real one (odbc_connection.h) goes over ODBC; tests put a
// scripted one in its place through the same interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace duza {

// The numbers ADO gives a failed open and a failed command.
namespace ado {
inline constexpr std::int32_t kUnspecifiedError = -2147467259;  // 0x80004005
inline constexpr std::int32_t kCommandFailed = -2147217900;     // 0x80040E14
inline constexpr std::int32_t kQueryTimeout = -2147217871;      // 0x80040E31
inline constexpr std::int32_t kProviderNotFound = 3706;
inline constexpr std::int32_t kObjectClosed = 3704;
inline constexpr std::int32_t kObjectOpen = 3705;
inline constexpr std::int32_t kBadInitString = -2147217805;  // 0x80040E73
inline constexpr std::int32_t kUnspecifiedOptions = -1;

// ADO's own texts for the failures it raises itself, and the source it gives them.
inline constexpr char16_t kProviderNotFoundText[] =
    u"Provider cannot be found. It may not be properly installed.";
inline constexpr char16_t kObjectClosedText[] =
    u"Operation is not allowed when the object is closed.";
inline constexpr char16_t kObjectOpenText[] = u"Operation is not allowed when the object is open.";
inline constexpr char16_t kBadInitStringText[] =
    u"Format of the initialization string does not conform to the OLE DB connection-string format.";
inline constexpr char16_t kConnectionSource[] = u"ADODB.Connection";
}  // namespace ado

// One entry of the Errors collection: one diagnostic record of the failing call.
struct ConnectionError {
  std::u16string sql_state;     // five characters, "42S01"
  std::int32_t native_error = 0;
  std::u16string description;   // the message text as the driver formats it
};

class Connection {
 public:
  virtual ~Connection() = default;

  // Connects with an OLE DB connection string. On failure the Errors collection holds the
  // failing call's records and a PlatformError carrying the first one's text is raised.
  virtual void Open(std::u16string_view connection_string, std::u16string_view user_id = {},
                    std::u16string_view password = {},
                    std::int32_t options = ado::kUnspecifiedOptions) = 0;

  // Runs one statement text; any rows it returns are discarded.
  virtual void Execute(std::u16string_view command_text,
                       std::int32_t options = ado::kUnspecifiedOptions) = 0;

  virtual void Close() = 0;

  // The records of the most recent failing call; informational records of a successful
  // call never enter it.
  virtual const std::vector<ConnectionError>& Errors() const = 0;
};

// Makes a new, closed connection; may raise when none can be created.
using ConnectionFactory = std::function<std::unique_ptr<Connection>()>;

}  // namespace duza
