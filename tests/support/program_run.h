// Runs a program as a user would from a shell: arguments, standard input, what it prints
// on each stream and its exit code.
#pragma once

#include <string>
#include <vector>

namespace duza::testing {

struct ProgramRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Standard output and error come back with "\n" line ends on every platform.
ProgramRun RunProgram(const std::string& program_path, const std::vector<std::string>& args,
                      const std::string& input);

}  // namespace duza::testing
