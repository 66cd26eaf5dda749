// The SQL Server password typed for an update never shows: not in a status line, not in a
// message, not on the command-line program's output, whatever makes the run fail, and also
// when it succeeds. Runs the real update against the shared MariaDB server, both on a
// recording view and through the command-line program as a user would.


#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/update_run.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/app/recording_view.h"
#include "tests/db/run_harness.h"
#include "tests/support/closed_port.h"
#include "tests/support/mariadb_state.h"

namespace duza {
namespace {

namespace fs = std::filesystem;
using testing::MariaDbState;
using testing::ReadMariaDbState;
using testing::RecordingView;
using testing::RunAsRoot;
using testing::TempFolder;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

// A distinctive password, unlikely to occur anywhere by chance.
constexpr char kToken[] = "S3cr3t-Token-42";

using RefusingPort = testing::ClosedPort;

enum class Place {
  kSharedServer,
  kRefusingPort,
  kUnknownDatabase,
  kUnknownDriver,
  kRandomBytes,
  kNoWebConfig
};

struct SecretCase {
  const char* name;
  Place place;
  std::string password;      // empty: the server's own, so that the run succeeds
  UpdateOutcome outcome;
  std::string shown;         // a text the run shows (a message or status line part)
};

void PrintTo(const SecretCase& c, std::ostream* os) { *os << c.name; }

class PasswordNeverShownTest : public ::testing::TestWithParam<SecretCase> {
 protected:
  void SetUp() override {
    state_ = ReadMariaDbState();
    DropTables();
  }
  void TearDown() override { DropTables(); }
  void DropTables() {
    RunAsRoot(state_, "DROP TABLE IF EXISTS VIVI.FINPERIOD, VIVI.FINPERIOD2POS");
  }

  // Puts web.config for the case's place into `folder`.
  void MakeWebConfig(const fs::path& folder, const RefusingPort& refusing) {
    switch (GetParam().place) {
      case Place::kSharedServer:
        testing::WriteWebConfig(folder, testing::StoredMariaDbString(state_.port));
        break;
      case Place::kRefusingPort:
        testing::WriteWebConfig(folder, testing::StoredMariaDbString(refusing.port()));
        break;
      case Place::kUnknownDatabase:
        testing::WriteWebConfig(
            folder, u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=" +
                        Utf16FromUtf8(std::to_string(state_.port)) +
                        u";Database=NOT_THERE;User ID=x;Password=y;");
        break;
      case Place::kUnknownDriver:
        testing::WriteWebConfig(folder, u"Provider=MSDASQL;Driver={No Such Driver};"
                                        u"Server=127.0.0.1;User ID=x;Password=y;");
        break;
      case Place::kRandomBytes: {
        std::ofstream out(folder / "web.config", std::ios::binary);
        for (unsigned i = 0; i < 4096; ++i) out << static_cast<char>((i * 2654435761u) >> 24);
        break;
      }
      case Place::kNoWebConfig:
        break;
    }
  }

  std::string Password() const {
    return GetParam().password.empty() ? Utf8(state_.password) : GetParam().password;
  }

  MariaDbState state_;
};

TEST_P(PasswordNeverShownTest, OnTheView) {
  const SecretCase& c = GetParam();
  const RefusingPort refusing;
  const TempFolder web("secret-web");
  MakeWebConfig(web.path(), refusing);

  RecordingView view;
  view.web_directory = Utf16FromUtf8(web.path().string());
  view.sql_login = true;
  view.login_name = state_.user;
  view.password = Utf16FromUtf8(Password());
  const UpdateOutcome outcome = RunSchemaUpdate(view, MakeOdbcConnectionFactory());

  EXPECT_EQ(outcome, c.outcome);
  std::string everything;
  for (const auto& event : view.events) everything += Utf8(event) + "\n";
  EXPECT_NE(everything.find(c.shown), std::string::npos) << everything;
  EXPECT_EQ(everything.find(Password()), std::string::npos) << everything;
}

TEST_P(PasswordNeverShownTest, OnTheCommandLine) {
  const SecretCase& c = GetParam();
  const RefusingPort refusing;
  const TempFolder web("secret-web");
  MakeWebConfig(web.path(), refusing);

  const testing::ProgramRun run = testing::RunCliProgram(
      {"update", "--web-dir", web.path().string(), "--sql-login", Utf8(state_.user),
       "--password-stdin"},
      Password() + "\n");

  EXPECT_EQ(run.exit_code, c.outcome == UpdateOutcome::kSucceeded ? 0 : 1) << run.out << run.err;
  EXPECT_NE(run.out.find(c.shown), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find(Password()), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find(Password()), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PasswordNeverShownTest,
    ::testing::Values(
        SecretCase{"WrongPassword", Place::kSharedServer, kToken,
                   UpdateOutcome::kConnectionRefused,
                   "Access denied for user 'duza_user'@'127.0.0.1' (using password: YES)"},
        // Characters that need quoting on the way into both connection strings.
        SecretCase{"WrongPasswordThatNeedsQuoting", Place::kSharedServer,
                   " S3cr3t;Token}{'\"=42 ", UpdateOutcome::kConnectionRefused,
                   "Access denied for user 'duza_user'@'127.0.0.1' (using password: YES)"},
        SecretCase{"RightPassword", Place::kSharedServer, "", UpdateOutcome::kSucceeded,
                   "Database tables update Successful"},
        SecretCase{"ServerRefusesTheConnection", Place::kRefusingPort, kToken,
                   UpdateOutcome::kConnectionRefused, "Can't connect to server on '127.0.0.1'"},
        SecretCase{"UnknownDatabase", Place::kUnknownDatabase, kToken,
                   UpdateOutcome::kConnectionRefused, "Access denied for user 'duza_user'@"},
        // The driver manager's own failure, naming the driver.
        SecretCase{"UnknownDriver", Place::kUnknownDriver, kToken,
                   UpdateOutcome::kConnectionRefused, "[unixODBC][Driver Manager]"},
        SecretCase{"WebConfigOfRandomBytes", Place::kRandomBytes, kToken, UpdateOutcome::kFailed,
                   "Update NOT successful. Contact Admin!"},
        SecretCase{"NoWebConfig", Place::kNoWebConfig, kToken, UpdateOutcome::kFailed,
                   "File not found"}),
    [](const auto& info) { return std::string(info.param.name); });

// The connection string as an update would use it: the password masked unless asked for.
TEST(ConnectionStringCommandTest, ShowsThePasswordOnlyWhenAskedTo) {
  const TempFolder web("secret-string");
  testing::WriteWebConfig(web.path(), testing::StoredMariaDbString(3306));
  const std::vector<std::string> args{"connection-string", "--web-dir", web.path().string(),
                                      "--sql-login", "duza_user", "--password-stdin"};
  const std::string kept =
      "Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=3306;Database=VIVI;";

  const testing::ProgramRun masked = testing::RunCliProgram(args, std::string(kToken) + "\n");
  EXPECT_EQ(masked.exit_code, 0);
  EXPECT_EQ(masked.out, kept + "User ID=duza_user;Password=***;\n");
  EXPECT_EQ(masked.err, "");

  std::vector<std::string> showing = args;
  showing.push_back("--show-password");
  const testing::ProgramRun shown = testing::RunCliProgram(showing, std::string(kToken) + "\n");
  EXPECT_EQ(shown.exit_code, 0);
  EXPECT_EQ(shown.out, kept + "User ID=duza_user;Password=" + kToken + ";\n");
}

}  // namespace
}  // namespace duza
