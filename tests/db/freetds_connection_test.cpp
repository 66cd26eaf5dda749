// The SQL Server path through the FreeTDS driver. No SQL Server is to be had here, so these
// cases reach a port on 127.0.0.1 that nobody listens on: what matters is that the string
// reaches FreeTDS in a form it reads and that its records come back as ADO's would.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

// A TCP port on 127.0.0.1 that is bound but not listening, so connecting to it is refused
// and no other program can start listening on it while the test runs.
class ClosedPort {
 public:
  ClosedPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "cannot reserve a port";
    }
    port_ = ntohs(address.sin_port);
  }
  ~ClosedPort() {
    if (fd_ >= 0) close(fd_);
  }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  std::u16string Text() const { return Utf16FromUtf8(std::to_string(port_)); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

struct FreeTdsCase {
  std::string name;
  std::u16string before_port;  // the connection string up to the port
  std::u16string after_port;
};

class FreeTdsClosedPortTest : public ::testing::TestWithParam<FreeTdsCase> {};

TEST_P(FreeTdsClosedPortTest, OpenFailsWithFreeTdsRecords) {
  const ClosedPort port;
  OdbcConnection connection;
  try {
    connection.Open(GetParam().before_port + port.Text() + GetParam().after_port);
    FAIL() << "the open succeeded";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), ado::kUnspecifiedError);
    EXPECT_EQ(error.source(), u"Microsoft OLE DB Provider for SQL Server");
    ASSERT_FALSE(connection.Errors().empty());
    const ConnectionError& first = connection.Errors().front();
    EXPECT_EQ(Utf8(error.description()), Utf8(first.description));
    // FreeTDS's own words, as its driver formats them: the network failure first, then
    // its summary.
    EXPECT_EQ(first.sql_state, u"08S01");
    EXPECT_EQ(first.native_error, 20009);
    EXPECT_EQ(Utf8(first.description),
              "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does "
              "not exist");
    EXPECT_EQ(connection.Errors().back().sql_state, u"08001");
    EXPECT_EQ(Utf8(connection.Errors().back().description),
              "[FreeTDS][SQL Server]Unable to connect to data source");
    for (const auto& record : connection.Errors()) {
      EXPECT_EQ(record.sql_state.size(), 5u);
      EXPECT_FALSE(record.description.empty());
    }
  }
  EXPECT_EQ(testing::RaisedNumber([&] { connection.Execute(u"SELECT 1"); }), ado::kObjectClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FreeTdsClosedPortTest,
    ::testing::Values(
        FreeTdsCase{"SqlLogin", u"Provider=SQLOLEDB;Data Source=127.0.0.1,",
                    u";Initial Catalog=x;User ID=a;Password=b;"},
        FreeTdsCase{"NativeClientWithTcpPrefix", u"Provider=SQLNCLI11;Server=tcp:127.0.0.1, ",
                    u";Database=x;UID=a;PWD=b;Connect Timeout=5"},
        FreeTdsCase{"IntegratedSecurity",
                    u"Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=x;"
                    u"Data Source=127.0.0.1,",
                    u""},
        FreeTdsCase{"TrustedConnectionAsTheToolWritesIt",
                    u"Provider=SQLOLEDB;Data Source=127.0.0.1,", u";Trusted_Connection = Yes"}),
    [](const ::testing::TestParamInfo<FreeTdsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace duza
