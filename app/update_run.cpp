#include "app/update_run.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/error.h"
#include "settings/connection_settings.h"

namespace duza {
namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

// The connection of one run: made by the first step that needs it, released when the run
// ends, with no Close unless the run reaches it.
class RunConnection {
 public:
  explicit RunConnection(const ConnectionFactory& create) : create_(create) {}

  Connection& Get() {
    if (!connection_) {
      connection_ = create_ ? create_() : nullptr;
      if (!connection_) Raise(err::kCannotCreateObject);
    }
    return *connection_;
  }

  void Release() { connection_.reset(); }

 private:
  const ConnectionFactory& create_;
  std::unique_ptr<Connection> connection_;
};

// Reports one statement's outcome. `outcome` is the statement's own failure, or, for the
// first statement only, a failure the open left behind. An other failure stays in the
// run's record until the outcome check; a table that already exists never clears a
// failure of another step.
void ClassifyStatement(UpdateView& view, std::u16string_view statement,
                       const ErrorRecord& outcome, bool outcome_is_open_leftover,
                       ErrorRecord& run_error) {
  if (!outcome.IsSet()) {
    view.AppendStatus(kTablesCreated);
  } else if (outcome.description.find(kAlreadyExistsPhrase) != std::u16string::npos) {
    view.AppendStatus(kTablesCreated);
    if (outcome_is_open_leftover) run_error.number = 0;
  } else {
    view.AppendStatus(outcome.description);
    view.AppendStatus(statement);
    run_error = outcome;
  }
}

void ExecuteAndClassify(UpdateView& view, RunConnection& connection,
                        std::u16string_view statement, bool first, ErrorRecord& run_error) {
  ErrorRecord outcome;
  ContinueOnError(outcome, [&] { connection.Get().Execute(statement, ado::kUnspecifiedOptions); });
  const bool open_leftover = first && !outcome.IsSet() && run_error.IsSet();
  ClassifyStatement(view, statement, open_leftover ? run_error : outcome, open_leftover,
                    run_error);
}

UpdateOutcome ReportOutcome(UpdateView& view, const ErrorRecord& run_error) {
  if (run_error.IsSet()) {
    view.AppendStatus(run_error.description);
    view.SetArrowPointer();
    view.EnableExitButton();
    view.ShowMessage(kUpdateFailedMessage);
    return UpdateOutcome::kFailed;
  }
  view.AppendStatus(kUpdateSucceededStatus);
  view.ShowMessage(kUpdateSucceededMessage);
  return UpdateOutcome::kSucceeded;
}

}  // namespace

UpdateOutcome RunSchemaUpdate(UpdateView& view, const ConnectionFactory& create_connection) {
  // Window properties only: a failure here is not the run's to handle.
  const std::optional<std::u16string> web_directory = CheckRunInputs({
      [&] { return view.ClientText(); },
      [&] { return view.DataDirectoryText(); },
      [&] { return view.WebDirectoryText(); },
      [&](std::u16string_view line) { view.AppendStatus(line); },
  });
  if (!web_directory) return UpdateOutcome::kEndedSilently;
  view.SetStatusBoxWidth(kNarrowStatusBoxTwips);
  view.EnableStatusBox();

  // Any failure while reading web.config or building the string goes to the outcome check.
  ErrorRecord run_error;
  std::u16string connection_string;
  try {
    const std::u16string web_config = ReadWebConfig(*web_directory);
    const bool use_sql_login = view.SqlLoginSelected();
    std::u16string login_name;
    std::u16string password;
    if (use_sql_login) {
      login_name = view.LoginNameText();
      password = view.PasswordText();
    }
    connection_string = BuildConnectionString(web_config, use_sql_login, login_name, password);
  } catch (...) {
    run_error.CaptureCurrentException();
    return ReportOutcome(view, run_error);
  }

  // From here every step goes on after a failure, leaving it in the record.
  run_error.Clear();
  RunConnection connection(create_connection);
  ContinueOnError(run_error, [&] {
    connection.Get().Open(connection_string, u"", u"", ado::kUnspecifiedOptions);
  });

  bool connection_has_errors = false;
  bool check_failed = false;
  try {
    connection_has_errors = !connection.Get().Errors().empty();
  } catch (...) {
    run_error.CaptureCurrentException();
    check_failed = true;
  }
  if (connection_has_errors || check_failed) {
    // With no connection object at all there is no collection to quote; the error that
    // prevented it is shown instead of ending with nothing on screen.
    std::u16string message = check_failed ? run_error.description
                                          : connection.Get().Errors().front().description;
    message += kLineBreak;
    view.ShowMessage(message);
    return UpdateOutcome::kConnectionRefused;  // released without a Close
  }

  ExecuteAndClassify(view, connection, kCreateFinPeriod, /*first=*/true, run_error);
  ExecuteAndClassify(view, connection, kCreateFinPeriod2Pos, /*first=*/false, run_error);
  ContinueOnError(run_error, [&] { connection.Get().Close(); });
  connection.Release();

  return ReportOutcome(view, run_error);
}

}  // namespace duza
