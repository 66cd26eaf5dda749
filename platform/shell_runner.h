// Starting a command and waiting for its end, the way the script host's shell object runs
// one: references to environment variables in the command text are expanded first, the
// command is started in a window of the given style, and its exit code is returned.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace duza {

// Window styles of a started command, as the platform numbers them.
inline constexpr std::int16_t kWindowHidden = 0;
inline constexpr std::int16_t kWindowNormal = 1;
inline constexpr std::int16_t kWindowMaximized = 3;

// The number raised when the command's program cannot be found: the platform's code for
// "The system cannot find the file specified" (0x80070002), as the shell object raises it.
inline constexpr std::int32_t kCommandNotFound = -2147024894;
// The program exists but may not be started (0x80070005, "Access is denied.").
inline constexpr std::int32_t kCommandAccessDenied = -2147024891;
// Any other reason the command could not be started (0x80004005).
inline constexpr std::int32_t kCommandNotStarted = -2147467259;

// Looks up one environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::u16string>(std::u16string_view)>;

// The process's own environment (names compared as the platform does: without regard to
// case on Windows, exactly elsewhere).
std::optional<std::u16string> ProcessEnvironmentVariable(std::u16string_view name);

// Replaces every %NAME% by the value of the variable NAME. A name that is not set, an
// empty name ("%%") and a lone percent sign stay exactly as written; scanning goes on after
// the closing percent sign of a reference that stayed, so "%A%B%" looks up A, and B only
// when A was replaced.
std::u16string ExpandEnvironmentReferences(std::u16string_view command,
                                           const EnvironmentLookup& lookup =
                                               ProcessEnvironmentVariable);

// Splits a command text into words where no shell is at hand: blanks and tabs separate
// words, a pair of double quotes groups blanks into a word and is dropped, a backslash is an
// ordinary character (it is the separator of paths typed the Windows way). Nothing else is
// special: no variables, globbing, pipes or redirections.
std::vector<std::u16string> SplitCommandWords(std::u16string_view command);

// Expands the command text, starts it and waits for its end; returns its exit code.
// On Windows the expanded text is the command line of a new process whose program is the
// first word, searched where the platform searches (the program's folder, the current
// folder, the system folders, then PATH; ".exe" may be left out), shown in a window of
// `window_style`. Elsewhere the first word of SplitCommandWords is searched on PATH and
// started with the other words as its arguments, without a shell; there are no windows, so
// the style has no effect, and a command ended by a signal gives 128 plus the signal's
// number. A command that cannot be started raises kCommandNotFound, kCommandAccessDenied or
// kCommandNotStarted with a description that names the program.
std::int32_t RunCommand(std::u16string_view command, std::int16_t window_style);

}  // namespace duza
