#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include "platform/error.h"
#include "platform/shell_runner.h"
#include "platform/text.h"

extern char** environ;

namespace duza {
namespace {

[[noreturn]] void RaiseNotStarted(int error_number, const std::u16string& program) {
  std::int32_t number = kCommandNotStarted;
  std::u16string reason;
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      number = kCommandNotFound;
      reason = u"The system cannot find the file specified.";
      break;
    case EACCES:
    case EPERM:
      number = kCommandAccessDenied;
      reason = u"Access is denied.";
      break;
    default:
      reason = Utf16FromUtf8(strerror(error_number));
      break;
  }
  Raise(number, u"Cannot start " + program + u": " + reason);
}

}  // namespace

std::optional<std::u16string> ProcessEnvironmentVariable(std::u16string_view name) {
  const std::string narrow = Utf8FromUtf16(name);
  const char* value = getenv(narrow.c_str());
  if (value == nullptr) return std::nullopt;
  return Utf16FromUtf8(value);
}

std::int32_t RunCommand(std::u16string_view command, std::int16_t /*window_style*/) {
  const std::vector<std::u16string> words = SplitCommandWords(ExpandEnvironmentReferences(command));
  if (words.empty()) Raise(err::kInvalidProcedureCall, u"Cannot start an empty command");

  std::vector<std::string> arguments;
  arguments.reserve(words.size());
  for (const auto& word : words) arguments.push_back(Utf8FromUtf16(word));
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) RaiseNotStarted(spawned, words.front());

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      Raise(kCommandNotStarted, u"Lost the command " + words.front() + u": " +
                                    Utf16FromUtf8(strerror(errno)));
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace duza
