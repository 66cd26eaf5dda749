// The whole update run over the real ODBC connection when the database misbehaves after
// the logon: the server goes away between the open and the statements, and another client
// holds locks the statements wait for. The run must end on its failure branch, never hang.

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/update_run.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/app/recording_view.h"
#include "tests/db/run_harness.h"
#include "tests/support/mariadb_state.h"

namespace duza {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::MariaDbState;
using testing::ReadMariaDbState;
using testing::RecordingView;
using testing::RunAsRoot;
using testing::TempFolder;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

std::vector<std::string> Utf8Lines(const std::vector<std::u16string>& lines) {
  std::vector<std::string> converted;
  for (const auto& line : lines) converted.push_back(Utf8(line));
  return converted;
}

const std::string S1 = Utf8(kCreateFinPeriod);
const std::string S2 = Utf8(kCreateFinPeriod2Pos);
const std::string kFailed = Utf8(kUpdateFailedMessage);

// --- the server goes away after the open ------------------------------------------------

// A MariaDB server of the test's own (tests/db/mariadb-server), since stopping the shared
// one would pull it from under every other suite.
class PrivateServer {
 public:
  PrivateServer() : folder_("private-mariadb") {
    const std::string command = Quoted(DUZA_MARIADB_SERVER_SCRIPT) + " start " +
                                Quoted(StateDir()) + " >" +
                                Quoted((folder_.path() / "start.log").string()) + " 2>&1";
    started_ = std::system(command.c_str()) == 0;
    if (!started_) return;
    state_ = ReadMariaDbState(StateDir());
    std::ifstream(StateDir() + "/pid") >> pid_;
  }
  ~PrivateServer() {
    // Stops the server if the test left it running; the script checks that the recorded
    // pid is still this server before it signals it.
    const std::string command =
        Quoted(DUZA_MARIADB_SERVER_SCRIPT) + " stop " + Quoted(StateDir()) + " >/dev/null 2>&1";
    [[maybe_unused]] const int ignored = std::system(command.c_str());
  }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

  bool started() const { return started_ && pid_ > 0; }
  const MariaDbState& state() const { return state_; }

  // Sends `signal` to the server and waits until it has gone (boundedly).
  bool Stop(int signal) {
    if (!IsOurServer()) return false;
    kill(pid_, signal);
    for (int i = 0; i < 300; ++i) {
      if (!IsOurServer()) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }

 private:
  static std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  std::string StateDir() const { return (folder_.path() / "state").string(); }

  // The pid is still this server, alive (a zombie has let go of its sockets already).
  bool IsOurServer() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string pid_text, name, process_state;
    if (!(stat >> pid_text >> name >> process_state) || process_state == "Z") return false;
    std::ifstream cmdline("/proc/" + std::to_string(pid_) + "/cmdline", std::ios::binary);
    const std::string expected = "--datadir=" + StateDir() + "/data";
    for (std::string word; std::getline(cmdline, word, '\0');) {
      if (word == expected) return true;
    }
    return false;
  }

  TempFolder folder_;
  bool started_ = false;
  MariaDbState state_;
  pid_t pid_ = 0;
};

// The real connection, with the server stopped just before the statement numbered
// `stop_before` (1 or 2) is sent.
class ServerStoppingConnection final : public Connection {
 public:
  ServerStoppingConnection(int stop_before, std::function<void()> stop)
      : stop_before_(stop_before), stop_(std::move(stop)) {}

  void Open(std::u16string_view connection_string, std::u16string_view user_id,
            std::u16string_view password, std::int32_t options) override {
    real_.Open(connection_string, user_id, password, options);
  }
  void Execute(std::u16string_view command_text, std::int32_t options) override {
    if (++executed_ == stop_before_) stop_();
    real_.Execute(command_text, options);
  }
  void Close() override { real_.Close(); }
  const std::vector<ConnectionError>& Errors() const override { return real_.Errors(); }

 private:
  OdbcConnection real_;
  int stop_before_;
  std::function<void()> stop_;
  int executed_ = 0;
};

// Expected status lines; one that starts with '*' stands for a driver message ending in the
// rest (the driver's and the server's version prefixes vary).
bool LinesMatch(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  if (lines.size() != expected.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& want = expected[i];
    if (want.starts_with('*') ? !(lines[i].starts_with("[ma-") && lines[i].ends_with(want.substr(1)))
                              : lines[i] != want) {
      return false;
    }
  }
  return true;
}

const std::string kLost = "*]Lost connection to server during query";
const std::string kNotOpen = "*]Connection not open";
const std::string T = Utf8(kTablesCreated);

struct StopCase {
  const char* name;
  int signal;       // SIGKILL: the server dies; SIGTERM: it shuts down in order
  int stop_before;  // the statement sent first to the stopped server
  std::vector<std::string> status;
};

class ServerStopsTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(ServerStopsTest, RunEndsOnTheFailureBranch) {
  const StopCase& c = GetParam();
  PrivateServer server;
  ASSERT_TRUE(server.started()) << "the private server did not start";
  const TempFolder web("stop-web");
  testing::WriteWebConfig(web.path(), testing::StoredMariaDbString(server.state().port));

  RecordingView view;
  view.web_directory = Utf16FromUtf8(web.path().string());
  view.sql_login = true;
  view.login_name = server.state().user;
  view.password = server.state().password;
  bool stopped = false;
  int connections = 0;
  UpdateOutcome outcome = UpdateOutcome::kEndedSilently;
  testing::EndsWithin(60s, [&] {
    outcome = RunSchemaUpdate(view, [&]() -> std::unique_ptr<Connection> {
      ++connections;
      return std::make_unique<ServerStoppingConnection>(
          c.stop_before, [&] { stopped = server.Stop(c.signal); });
    });
  }, "the run against a stopped server");

  ASSERT_TRUE(stopped) << "the server could not be stopped";
  EXPECT_EQ(connections, 1);
  EXPECT_EQ(outcome, UpdateOutcome::kFailed);
  const std::vector<std::string> lines = Utf8Lines(view.StatusLines());
  EXPECT_TRUE(LinesMatch(lines, c.status)) << ::testing::PrintToString(lines);
  ASSERT_GE(view.events.size(), 3u);
  EXPECT_EQ(Utf8Lines({view.events.end() - 3, view.events.end()}),
            (std::vector<std::string>{"arrow", "enable Command2", "message:" + kFailed}));
}

// The statement that meets the stopped server reports the lost connection; the one after
// it finds the connection closed; the close then succeeds, and the last failure is the
// run's outcome.
INSTANTIATE_TEST_SUITE_P(
    Stops, ServerStopsTest,
    ::testing::Values(
        StopCase{"KilledBeforeTheFirstStatement", SIGKILL, 1,
                 {kLost, S1, kNotOpen, S2, kNotOpen}},
        StopCase{"ShutDownBeforeTheSecondStatement", SIGTERM, 2, {T, kLost, S2, kLost}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- statements waiting for another client's locks --------------------------------------

class LockedTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = ReadMariaDbState();
    RunAsRoot(state_, "DROP TABLE IF EXISTS VIVI.FINPERIOD, VIVI.FINPERIOD2POS; "
                      "CREATE TABLE VIVI.FINPERIOD (I bigint); "
                      "CREATE TABLE VIVI.FINPERIOD2POS (I bigint)");
  }
  void TearDown() override {
    RunAsRoot(state_, "DROP TABLE IF EXISTS VIVI.FINPERIOD, VIVI.FINPERIOD2POS");
  }
  MariaDbState state_;
};

TEST_F(LockedTablesTest, StatementsGiveUpAfterTheCommandTimeout) {
  // Another administrator's session holds both tables for writing: creating a table of
  // that name has to wait for it.
  OdbcConnection holder;
  holder.Open(testing::MariaDbOleDbString(state_));
  holder.Execute(u"LOCK TABLES VIVI.FINPERIOD WRITE, VIVI.FINPERIOD2POS WRITE");

  const TempFolder web("locked-web");
  testing::WriteWebConfig(web.path(), testing::StoredMariaDbString(state_.port));
  RecordingView view;
  view.web_directory = Utf16FromUtf8(web.path().string());
  view.sql_login = true;
  view.login_name = state_.user;
  view.password = state_.password;

  constexpr std::int32_t kShortTimeout = 2;  // ADO's 30 s would make a slow test
  UpdateOutcome outcome = UpdateOutcome::kEndedSilently;
  testing::EndsWithin(10 * 2 * std::chrono::seconds(kShortTimeout), [&] {
    outcome = RunSchemaUpdate(view, []() -> std::unique_ptr<Connection> {
      auto connection = std::make_unique<OdbcConnection>();
      connection->SetCommandTimeout(kShortTimeout);
      return connection;
    });
  }, "the run against locked tables");
  holder.Close();

  EXPECT_EQ(outcome, UpdateOutcome::kFailed);
  const std::vector<std::string> lines = Utf8Lines(view.StatusLines());
  ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
  // ADO's words for it, the driver's own (the statement was interrupted) after them.
  EXPECT_EQ(lines, (std::vector<std::string>{"Query timeout expired", S1, "Query timeout expired",
                                             S2, "Query timeout expired"}));
  EXPECT_EQ(Utf8Lines(view.Messages()), std::vector<std::string>{kFailed});
  // Nothing was created behind the lock: the tables are still the placeholders.
  EXPECT_EQ(RunAsRoot(state_, "SELECT COUNT(*) FROM information_schema.COLUMNS "
                              "WHERE TABLE_SCHEMA = 'VIVI' AND TABLE_NAME = 'FINPERIOD'"),
            "1\n");
}

}  // namespace
}  // namespace duza
