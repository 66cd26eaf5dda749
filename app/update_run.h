// The update run behind the "Update DUZA Database" button: checks the inputs, builds the
// connection string from web.config, creates the two VIVI tables (a table that already
// exists counts as created) and reports line by line, then in one message box.
#pragma once

#include <string_view>

#include "app/update_view.h"
#include "platform/connection.h"

namespace duza {

inline constexpr std::u16string_view kCreateFinPeriod =
    u"CREATE TABLE VIVI.FINPERIOD( I bigint PRIMARY KEY NOT NULL, C VARCHAR(20), "
    u"N NVARCHAR(100), TT bigint, FromDate bigint, ToDate bigint, SysU bigint, SysD bigint, "
    u"sysV integer, sysS integer, CONSTRAINT UQ__FINPERIOD_1 UNIQUE (TT));";

inline constexpr std::u16string_view kCreateFinPeriod2Pos =
    u"CREATE TABLE VIVI.FINPERIOD2POS( I bigint PRIMARY KEY NOT NULL, C VARCHAR(20), "
    u"N NVARCHAR(100), FINPERIOD bigint, POS bigint, FromDate bigint, ToDate bigint, "
    u"SysU bigint, SysD bigint, sysV integer, sysS integer, "
    u"CONSTRAINT UQ__FINPERIOD2POS_1 UNIQUE (FINPERIOD,POS));";

// SQL Server's words for a table that is already there; such a failure counts as created.
inline constexpr std::u16string_view kAlreadyExistsPhrase = u"There is already an object named";

inline constexpr std::u16string_view kTablesCreated = u"Tables created!\r\n";
inline constexpr std::u16string_view kUpdateSucceededStatus = u"Database tables update Successful";
inline constexpr std::u16string_view kUpdateSucceededMessage = u"Update successful!";
inline constexpr std::u16string_view kUpdateFailedMessage = u"Update NOT successful. Contact Admin!";
inline constexpr float kNarrowStatusBoxTwips = 6735.0F;

// How a run ended, for callers that report it (the command line's exit code).
enum class UpdateOutcome {
  kEndedSilently,       // empty data directory: nothing shown
  kConnectionRefused,   // the connection reported errors: one message box, nothing else
  kSucceeded,           // "Update successful!"
  kFailed,              // "Update NOT successful. Contact Admin!"
};

UpdateOutcome RunSchemaUpdate(UpdateView& view, const ConnectionFactory& create_connection);

}  // namespace duza
