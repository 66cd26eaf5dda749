#include "app/update_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/app/recording_view.h"
#include "tests/app/scripted_connection.h"
#include "tests/support/web_directory.h"

namespace duza {
namespace {

using testing::ConnectionScript;
using testing::RecordingView;
using testing::ScriptedConnection;

// SQL Server's own replies, as its ODBC driver formats them.
const std::u16string kExists1 =
    u"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]There is already an object "
    u"named 'FINPERIOD' in the database.";
const std::u16string kExists2 =
    u"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]There is already an object "
    u"named 'FINPERIOD2POS' in the database.";
const std::u16string kDenied1 =
    u"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]CREATE TABLE permission denied "
    u"in database 'DUZA'.";
const std::u16string kNoSchema2 =
    u"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]The specified schema name "
    u"\"VIVI\" either does not exist or you do not have permission to use it.";
const std::u16string kLoginFailed =
    u"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Login failed for user 'sa'.";

const std::u16string kStored =
    u"Provider=SQLOLEDB.1;Data Source=DBHOST;Initial Catalog=DUZA;User ID=app;Password=old;";
const std::u16string kKept = u"Provider=SQLOLEDB.1;Data Source=DBHOST;Initial Catalog=DUZA;";

const std::u16string T(kTablesCreated);
const std::u16string S1(kCreateFinPeriod);
const std::u16string S2(kCreateFinPeriod2Pos);
const std::u16string kOk(kUpdateSucceededStatus);

class UpdateRunTest : public ::testing::Test {
 protected:
  void SetUp() override { view_.web_directory = web_.Typed(); }

  UpdateOutcome Run(ConnectionScript script) {
    return RunSchemaUpdate(view_, [this, script] {
      ++connections_made_;
      return std::make_unique<ScriptedConnection>(script, calls_);
    });
  }

  testing::TempWebDirectory web_{kStored};
  RecordingView view_;
  std::vector<std::u16string> calls_;
  int connections_made_ = 0;
};

// --- the two statements' outcomes -------------------------------------------------------

struct OutcomeRow {
  const char* name;
  std::optional<std::u16string> statement1;  // nothing: created
  std::optional<std::u16string> statement2;
  std::vector<std::u16string> status;
  bool succeeds;
};

class UpdateRunOutcomeTest : public UpdateRunTest,
                             public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(UpdateRunOutcomeTest, StatusLinesAndMessage) {
  const OutcomeRow& row = GetParam();
  ConnectionScript script;
  script.execute_failures = {row.statement1, row.statement2};
  const UpdateOutcome outcome = Run(script);

  EXPECT_EQ(view_.StatusLines(), row.status);
  ASSERT_EQ(view_.Messages().size(), 1U);
  EXPECT_EQ(view_.Messages()[0],
            row.succeeds ? kUpdateSucceededMessage : kUpdateFailedMessage);
  EXPECT_EQ(outcome, row.succeeds ? UpdateOutcome::kSucceeded : UpdateOutcome::kFailed);
  const bool arrow = std::find(view_.events.begin(), view_.events.end(), u"arrow") !=
                     view_.events.end();
  const bool exit_enabled = std::find(view_.events.begin(), view_.events.end(),
                                      u"enable Command2") != view_.events.end();
  EXPECT_EQ(arrow, !row.succeeds);
  EXPECT_EQ(exit_enabled, !row.succeeds);
  EXPECT_EQ(calls_, (std::vector<std::u16string>{u"Open " + kKept +
                                                     u"Trusted_Connection = Yes;Integrated "
                                                     u"Security=SSPI;",
                                                 u"Execute " + S1, u"Execute " + S2, u"Close",
                                                 u"Release"}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UpdateRunOutcomeTest,
    ::testing::Values(
        OutcomeRow{"CreatedCreated", std::nullopt, std::nullopt, {T, T, kOk}, true},
        OutcomeRow{"CreatedExists", std::nullopt, kExists2, {T, T, kOk}, true},
        OutcomeRow{"CreatedOther", std::nullopt, kNoSchema2,
                   {T, kNoSchema2, S2, kNoSchema2}, false},
        OutcomeRow{"ExistsCreated", kExists1, std::nullopt, {T, T, kOk}, true},
        OutcomeRow{"ExistsExists", kExists1, kExists2, {T, T, kOk}, true},
        OutcomeRow{"ExistsOther", kExists1, kNoSchema2, {T, kNoSchema2, S2, kNoSchema2}, false},
        // An other failure of the first statement is not wiped out, nor blamed on the
        // second statement, by what the second one does.
        OutcomeRow{"OtherCreated", kDenied1, std::nullopt, {kDenied1, S1, T, kDenied1}, false},
        OutcomeRow{"OtherExists", kDenied1, kExists2, {kDenied1, S1, T, kDenied1}, false},
        OutcomeRow{"OtherOther", kDenied1, kNoSchema2,
                   {kDenied1, S1, kNoSchema2, S2, kNoSchema2}, false},
        // Another server's words for an existing table are an other failure.
        OutcomeRow{"ExistsInOtherWords", u"Table 'finperiod' already exists", std::nullopt,
                   {u"Table 'finperiod' already exists", S1, T,
                    u"Table 'finperiod' already exists"},
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the connection -----------------------------------------------------------------------

TEST_F(UpdateRunTest, ConnectionErrorsShowOnlyTheFirstOneAndReleaseWithoutClose) {
  ConnectionScript script;
  script.open_records = {{u"28000", 18456, kLoginFailed}, {u"01000", 0, u"second"}};
  script.open_raises = true;
  const UpdateOutcome outcome = Run(script);
  EXPECT_EQ(outcome, UpdateOutcome::kConnectionRefused);
  EXPECT_EQ(view_.events, (std::vector<std::u16string>{u"width:6735", u"enable StatusBox",
                                                       u"message:" + kLoginFailed + u"\r\n"}));
  EXPECT_EQ(calls_.size(), 2U);
  EXPECT_EQ(calls_.back(), u"Release");
}

TEST_F(UpdateRunTest, RecordsLeftBySuccessfulOpenCountAsRefusal) {
  ConnectionScript script;
  script.open_records = {{u"01000", 5701, u"Changed database context to 'DUZA'."}};
  EXPECT_EQ(Run(script),
            UpdateOutcome::kConnectionRefused);
  EXPECT_EQ(view_.Messages(),
            std::vector<std::u16string>{u"Changed database context to 'DUZA'.\r\n"});
}

TEST_F(UpdateRunTest, OpenFailureWithoutRecordsIsClassifiedAsTheFirstStatements) {
  ConnectionScript script;
  script.open_raises = true;
  script.open_failure = u"Login timeout expired";
  Run(script);
  EXPECT_EQ(view_.StatusLines(), (std::vector<std::u16string>{u"Login timeout expired", S1, T,
                                                              u"Login timeout expired"}));
  EXPECT_EQ(view_.Messages(), std::vector<std::u16string>{std::u16string(kUpdateFailedMessage)});
}

TEST_F(UpdateRunTest, FirstStatementsOwnFailureReplacesTheOpensLeftover) {
  const std::u16string closed = u"Operation is not allowed when the object is closed.";
  ConnectionScript script;
  script.open_raises = true;
  script.execute_failures = {closed, closed};
  Run(script);
  EXPECT_EQ(view_.StatusLines(), (std::vector<std::u16string>{closed, S1, closed, S2, closed}));
}

TEST_F(UpdateRunTest, ConnectionThatCannotBeCreatedIsShown) {
  const UpdateOutcome outcome = RunSchemaUpdate(view_, [] { return nullptr; });
  EXPECT_EQ(outcome, UpdateOutcome::kConnectionRefused);
  EXPECT_EQ(view_.events,
            (std::vector<std::u16string>{u"width:6735", u"enable StatusBox",
                                         u"message:ActiveX component can't create object\r\n"}));
}

TEST_F(UpdateRunTest, FailingCloseTakesTheFailureBranch) {
  ConnectionScript script;
  script.close_failure = u"Connection failure";
  Run(script);
  EXPECT_EQ(view_.StatusLines(), (std::vector<std::u16string>{T, T, u"Connection failure"}));
  EXPECT_EQ(view_.Messages(), std::vector<std::u16string>{std::u16string(kUpdateFailedMessage)});
}

// --- inputs and web.config ----------------------------------------------------------------

TEST_F(UpdateRunTest, EmptyDataDirectoryEndsSilentlyBeforeTheWebDirectoryIsRead) {
  view_.data_directory.clear();
  view_.client.clear();
  EXPECT_EQ(Run({}), UpdateOutcome::kEndedSilently);
  EXPECT_EQ(view_.events,
            std::vector<std::u16string>{u"status:Client is empty. Assump default (VIVI)"});
  EXPECT_EQ(view_.reads, (std::vector<std::u16string>{u"Client", u"Text1"}));
  EXPECT_EQ(connections_made_, 0);
}

TEST_F(UpdateRunTest, EmptyClientLineComesFirst) {
  view_.client.clear();
  Run({});
  EXPECT_EQ(view_.StatusLines(), (std::vector<std::u16string>{
                                     u"Client is empty. Assump default (VIVI)", T, T, kOk}));
}

TEST_F(UpdateRunTest, MissingWebConfigFailsWithoutConnecting) {
  std::filesystem::remove(web_.path() / "web.config");
  EXPECT_EQ(Run({}), UpdateOutcome::kFailed);
  EXPECT_EQ(view_.events,
            (std::vector<std::u16string>{u"width:6735", u"enable StatusBox",
                                         u"status:File not found", u"arrow", u"enable Command2",
                                         u"message:" + std::u16string(kUpdateFailedMessage)}));
  EXPECT_EQ(connections_made_, 0);
}

TEST_F(UpdateRunTest, SqlLoginReplacesTheStoredCredentials) {
  view_.sql_login = true;
  Run({});
  ASSERT_FALSE(calls_.empty());
  EXPECT_EQ(calls_[0], u"Open " + kKept + u"User ID=sa;Password=quietharbour;");
  EXPECT_EQ(view_.reads, (std::vector<std::u16string>{u"Client", u"Text1", u"WebDirbox",
                                                       u"Option2", u"saname", u"pwd"}));
}

TEST_F(UpdateRunTest, WindowsLogonNeverReadsTheLoginFields) {
  Run({});
  EXPECT_EQ(view_.reads,
            (std::vector<std::u16string>{u"Client", u"Text1", u"WebDirbox", u"Option2"}));
}

}  // namespace
}  // namespace duza
