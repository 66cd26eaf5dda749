// How the platform reports a failure that nothing handled, just before the program ends.
#pragma once

#include <string>

#include "platform/error.h"

namespace duza {

// "Run-time error 'N':", a blank line, then the description.
std::u16string RunTimeErrorText(const ErrorRecord& error);

// The exit code of a program ended by such a failure.
inline constexpr int kRunTimeErrorExitCode = 1;

}  // namespace duza
