#include "tests/hostprep/child_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace duza::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

#ifdef _WIN32

std::filesystem::path CliProgram() {
  wchar_t self[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
  // build/<preset>/tests/hostprep/<test>.exe -> build/<preset>/cli/duza-cli.exe
  return std::filesystem::path(std::wstring(self, length)).parent_path().parent_path().parent_path() /
         L"cli" / L"duza-cli.exe";
}

ChildResult RunInFolder(const std::filesystem::path& program, const std::vector<std::string>& args,
                        const std::filesystem::path& working_directory) {
  const std::filesystem::path errors =
      std::filesystem::temp_directory_path() / ("duza-child-" + std::to_string(GetCurrentProcessId()) + ".err");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE error_file = CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(error_file, INVALID_HANDLE_VALUE);
  std::wstring command_line = L"\"" + program.wstring() + L"\"";
  for (const auto& arg : args) command_line += L" \"" + std::wstring(arg.begin(), arg.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = error_file;
  PROCESS_INFORMATION process{};
  ChildResult result;
  if (CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     working_directory.c_str(), &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exit_code = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
  }
  CloseHandle(error_file);
  result.error_output = ReadFile(errors);
  std::filesystem::remove(errors);
  return result;
}

#else

std::filesystem::path CliProgram() { return DUZA_CLI_PROGRAM; }

ChildResult RunInFolder(const std::filesystem::path& program, const std::vector<std::string>& args,
                        const std::filesystem::path& working_directory) {
  const std::filesystem::path errors =
      std::filesystem::temp_directory_path() / ("duza-child-" + std::to_string(getpid()) + ".err");
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || dup2(fd, 2) < 0 || chdir(working_directory.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ChildResult result;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "cannot run " << program;
    return result;
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.error_output = ReadFile(errors);
  std::filesystem::remove(errors);
  return result;
}

#endif

}  // namespace duza::testing
