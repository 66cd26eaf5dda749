#include "tests/support/program_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string_view>

#include "platform/paths.h"
#include "platform/text.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace duza::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string bytes = text.str();
#ifdef _WIN32
  // Standard output and error are text streams there: "\n" goes out as "\r\n".
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at)) {
    bytes.erase(at, 1);
  }
#endif
  return bytes;
}

#ifdef _WIN32
// One argument as the C runtime splits a command line: in double quotes, with backslashes
// doubled where a quote follows them.
std::string Quoted(const std::string& arg) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}
#else
std::string Quoted(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
#endif

std::string PathArgument(const fs::path& path) { return Utf8FromUtf16(TextOfPath(path)); }

}  // namespace

ProgramRun RunProgram(const std::string& program_path, const std::vector<std::string>& args,
                      const std::string& input) {
  std::random_device entropy;
  const fs::path dir = fs::temp_directory_path() / ("duza-cli-" + std::to_string(entropy()));
  fs::create_directories(dir);
  std::ofstream(dir / "in", std::ios::binary) << input;

  std::string program = program_path;
#ifdef _WIN32
  for (char& c : program) {
    if (c == '/') c = '\\';
  }
#endif
  std::string command = Quoted(program);
  const auto append = [&command](std::string_view separator, const std::string& word) {
    command += separator;
    command += Quoted(word);
  };
  for (const auto& arg : args) append(" ", arg);
  append(" <", PathArgument(dir / "in"));
  append(" >", PathArgument(dir / "out"));
  append(" 2>", PathArgument(dir / "err"));

  ProgramRun run;
#ifdef _WIN32
  // cmd /c drops the first and the last quote of a line that starts with one.
  const std::u16string wide = Utf16FromUtf8('"' + command + '"');
  run.exit_code = _wsystem(reinterpret_cast<const wchar_t*>(wide.c_str()));
#else
  const int status = std::system(command.c_str());
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  run.out = ReadAll(dir / "out");
  run.err = ReadAll(dir / "err");
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return run;
}

}  // namespace duza::testing
