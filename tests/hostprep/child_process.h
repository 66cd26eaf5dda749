// Runs the command-line program in a child process with a working directory of its own, so
// that routines working on "the current directory" can be tested without changing the
// test process's.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace duza::testing {

struct ChildResult {
  int exit_code = -1;
  std::string error_output;  // the child's standard error
};

// The command-line program built next to the tests.
std::filesystem::path CliProgram();

ChildResult RunInFolder(const std::filesystem::path& program, const std::vector<std::string>& args,
                        const std::filesystem::path& working_directory);

}  // namespace duza::testing
