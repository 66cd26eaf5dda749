// The SQL Server path through the FreeTDS driver. No SQL Server is to be had here, so these
// cases reach a port on 127.0.0.1 that nobody listens on: what matters is that the string
// reaches FreeTDS in a form it reads and that its records come back as ADO's would.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/support/closed_port.h"
#include "tests/support/raises.h"

namespace duza {
namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

using testing::ClosedPort;

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
    ::testing::Values(FreeTdsCase{"SqlLogin", u"Provider=SQLOLEDB;Data Source=127.0.0.1,",
                                  u";Initial Catalog=x;User ID=a;Password=b;"},
                      FreeTdsCase{"NativeClientWithTcpPrefix",
                                  u"Provider=SQLNCLI11;Server=tcp:127.0.0.1, ",
                                  u";Database=x;UID=a;PWD=b;Connect Timeout=5"},
                      FreeTdsCase{"IntegratedSecurity",
                                  u"Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=x;"
                                  u"Data Source=127.0.0.1,",
                                  u""},
                      FreeTdsCase{"TrustedConnectionAsTheToolWritesIt",
                                  u"Provider=SQLOLEDB;Data Source=127.0.0.1,",
                                  u";Trusted_Connection = Yes"}),
    [](const ::testing::TestParamInfo<FreeTdsCase>& info) { return info.param.name; });

// A socket on 127.0.0.1 (UDP or TCP), closed when it goes.
class LoopbackSocket {
 public:
  LoopbackSocket(int type, int port) {
    fd_ = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (fd_ >= 0) close(fd_);
      fd_ = -1;
    }
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackSocket() { Close(); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int port() const { return port_; }
  bool Readable() const {
    pollfd entry{fd_, POLLIN, 0};
    return poll(&entry, 1, 30000) == 1;  // bounded: a driver that never asks fails the test
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A server that takes the connection and then says nothing: the login gives up after the
// string's Connect Timeout with FreeTDS's timeout record instead of waiting for good.
TEST(FreeTdsSilentServerTest, LoginTimesOut) {
  LoopbackSocket listener(SOCK_STREAM, 0);
  ASSERT_TRUE(listener.ok());
  ASSERT_EQ(listen(listener.fd(), 4), 0);  // connections wait in the backlog, unanswered
  OdbcConnection connection;
  const auto number = testing::RaisedNumber([&] {
    connection.Open(u"Provider=SQLOLEDB;Data Source=127.0.0.1," +
                    Utf16FromUtf8(std::to_string(listener.port())) +
                    u";User ID=a;Password=b;Connect Timeout=1");
  });
  EXPECT_EQ(number, ado::kUnspecifiedError);
  ASSERT_FALSE(connection.Errors().empty());
  EXPECT_EQ(connection.Errors().front().sql_state, u"HYT00");
  EXPECT_EQ(Utf8(connection.Errors().front().description), "[FreeTDS][SQL Server]Timeout expired");
}

// "host\instance" reaches FreeTDS as it is: FreeTDS asks the SQL Server Browser on UDP port
// 1434 for the instance's port and connects there. The browser here is a stand-in that
// answers with the port of a listener of ours, as the real service would.
TEST(FreeTdsInstanceTest, InstanceIsLookedUpAndItsPortUsed) {
  LoopbackSocket browser(SOCK_DGRAM, 1434);
  if (!browser.ok()) GTEST_SKIP() << "UDP port 1434 on 127.0.0.1 is taken";
  LoopbackSocket listener(SOCK_STREAM, 0);
  ASSERT_TRUE(listener.ok());
  ASSERT_EQ(listen(listener.fd(), 1), 0);

  std::string request;
  bool connected = false;
  std::thread service([&] {
    if (!browser.Readable()) return;
    char buffer[512];
    sockaddr_in client{};
    socklen_t client_length = sizeof client;
    const ssize_t n = recvfrom(browser.fd(), buffer, sizeof buffer, 0,
                               reinterpret_cast<sockaddr*>(&client), &client_length);
    if (n <= 0) return;
    request.assign(buffer, static_cast<std::size_t>(n));
    const std::string body =
        "ServerName;DB1;InstanceName;NOINST;IsClustered;No;Version;"
        "15.0.2000.5;tcp;" +
        std::to_string(listener.port()) + ";;";
    std::string answer{'\x05', static_cast<char>(body.size() & 0xFF),
                       static_cast<char>(body.size() >> 8)};
    answer += body;
    sendto(browser.fd(), answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&client),
           client_length);
    if (!listener.Readable()) return;
    const int accepted = accept(listener.fd(), nullptr, nullptr);
    connected = accepted >= 0;
    // Hang up before the login, and take no more connections: the open must fail.
    if (accepted >= 0) close(accepted);
    listener.Close();
  });

  OdbcConnection connection;
  const auto number = testing::RaisedNumber([&] {
    connection.Open(
        u"Provider=SQLOLEDB;Data Source=127.0.0.1\\NOINST;Initial Catalog=x;"
        u"User ID=a;Password=b;");
  });
  service.join();
  EXPECT_EQ(number, ado::kUnspecifiedError);
  EXPECT_FALSE(connection.Errors().empty());
  EXPECT_EQ(request, std::string("\x04NOINST\0", 8));  // the browser's instance query
  EXPECT_TRUE(connected);
}

}  // namespace
}  // namespace duza
