// The whole update run against an address on 127.0.0.1 that never answers, with a short
// "Connect Timeout" in the stored connection string: the open must give up after about that
// long and the run must show the driver's message, through both drivers the tool meets
// (MariaDB's behind ADO's ODBC provider, FreeTDS behind the SQL Server providers).
//
// A refused connection (a port nobody listens on) fails at once and proves nothing about
// the timeout; these addresses keep the client waiting instead:
// - a listening socket whose queue of finished connections is full: the kernel drops
//   every further connection request, so the client's TCP connect itself never completes;
// - a listening socket that takes connections but never says a word: TCP connects, and
//   the client waits for the server's first packet of the logon.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/update_run.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/app/recording_view.h"
#include "tests/db/run_harness.h"

namespace duza {
namespace {

using namespace std::chrono_literals;
using testing::RecordingView;
using testing::TempFolder;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

enum class Silence { kQueueFull, kNeverSpeaks };

// A listening TCP socket on 127.0.0.1 that answers nothing, as `Silence` says.
class SilentAddress {
 public:
  explicit SilentAddress(Silence silence) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const int backlog = silence == Silence::kQueueFull ? 0 : 16;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) ||
        listen(listener_, backlog)) {
      ADD_FAILURE() << "cannot listen on 127.0.0.1";
      return;
    }
    port_ = ntohs(address.sin_port);
    if (silence == Silence::kQueueFull) {
      // One finished connection fills a queue of length 0; the second request already
      // goes unanswered. Neither is ever accepted.
      for (int i = 0; i < 2; ++i) {
        const int filler = socket(AF_INET, SOCK_STREAM, 0);
        fcntl(filler, F_SETFL, O_NONBLOCK);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(filler);
      }
    }
  }
  ~SilentAddress() {
    for (const int filler : fillers_) close(filler);
    if (listener_ >= 0) close(listener_);
  }
  SilentAddress(const SilentAddress&) = delete;
  SilentAddress& operator=(const SilentAddress&) = delete;
  int port() const { return port_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

constexpr int kConnectTimeoutSeconds = 2;
// ADO's words, as the connection gives them when it gives up on the driver.
constexpr char kGivenUp[] = "Login timeout expired";

struct UnreachableCase {
  const char* name;
  Silence silence;
  bool sql_server;          // the SQL Server provider (FreeTDS), else MSDASQL (MariaDB)
  std::string message;      // the first record of Errors, shown in the message box
  std::u16string driver_keywords;  // passed through to the driver as written
};

std::u16string StoredString(const UnreachableCase& c, int port) {
  const std::u16string timeout = u"Connect Timeout=" +
                                Utf16FromUtf8(std::to_string(kConnectTimeoutSeconds)) + u";" +
                                c.driver_keywords;
  if (c.sql_server) {
    return u"Provider=SQLOLEDB.1;Data Source=127.0.0.1," + Utf16FromUtf8(std::to_string(port)) +
           u";Initial Catalog=DUZA;" + timeout + u"User ID=app;Password=old;";
  }
  return testing::StoredMariaDbString(port, timeout);
}

class UnreachableServerTest : public ::testing::TestWithParam<UnreachableCase> {};

TEST_P(UnreachableServerTest, OpenGivesUpAndTheRunShowsTheDriversMessage) {
  const UnreachableCase& c = GetParam();
  const SilentAddress address(c.silence);
  ASSERT_NE(address.port(), 0);
  const TempFolder web("unreachable-web");
  testing::WriteWebConfig(web.path(), StoredString(c, address.port()));

  RecordingView view;
  view.web_directory = Utf16FromUtf8(web.path().string());
  view.sql_login = true;
  view.login_name = u"duza_user";
  view.password = u"S3cr3t-Token-42";
  UpdateOutcome outcome = UpdateOutcome::kEndedSilently;
  // Ten times the timeout is room enough for any machine; a run that waits longer has
  // ignored it.
  testing::EndsWithin(10 * std::chrono::seconds(kConnectTimeoutSeconds), [&] {
    outcome = RunSchemaUpdate(view, MakeOdbcConnectionFactory());
  }, "the run against a silent address");

  EXPECT_EQ(outcome, UpdateOutcome::kConnectionRefused);
  EXPECT_TRUE(view.StatusLines().empty());
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(Utf8(view.Messages().front()), c.message + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UnreachableServerTest,
    ::testing::Values(
        // Drivers that do not keep the timeout themselves: the connection gives up on them.
        UnreachableCase{"MariaDbQueueFull", Silence::kQueueFull, false, kGivenUp, {}},
        UnreachableCase{"MariaDbNeverSpeaks", Silence::kNeverSpeaks, false, kGivenUp, {}},
        // Drivers that keep it report it first, in their own words. FreeTDS keeps it once
        // it is told the protocol version instead of probing for one.
        UnreachableCase{"FreeTdsNeverSpeaks", Silence::kNeverSpeaks, true,
                        "[FreeTDS][SQL Server]Timeout expired", {}},
        UnreachableCase{"FreeTdsQueueFull", Silence::kQueueFull, true,
                        "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable "
                        "or does not exist",
                        {}},
        UnreachableCase{"MariaDbWithItsOwnTimeoutNeverSpeaks", Silence::kNeverSpeaks, false,
                        "[ma-3.1.15]Lost connection to server at 'handshake: reading initial "
                        "communication packet', system error: 110",
                        u"CONN_TIMEOUT=1;"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace duza
