#include <windows.h>

#include "platform/error.h"
#include "platform/numbers.h"
#include "platform/shell_runner.h"

namespace duza {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::u16string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length > 0 && buffer != nullptr) {
    text.assign(buffer, buffer + length);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
      text.pop_back();
    }
  }
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = u"Windows error " + DecimalText(static_cast<std::int64_t>(code));
  return text;
}

[[noreturn]] void RaiseNotStarted(DWORD code, const std::u16string& program) {
  std::int32_t number = kCommandNotStarted;
  std::u16string reason;
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    number = kCommandNotFound;
    reason = u"The system cannot find the file specified.";
  } else if (code == ERROR_ACCESS_DENIED) {
    number = kCommandAccessDenied;
    reason = u"Access is denied.";
  } else {
    reason = SystemMessage(code);
  }
  Raise(number, u"Cannot start " + program + u": " + reason);
}

}  // namespace

std::optional<std::u16string> ProcessEnvironmentVariable(std::u16string_view name) {
  const std::wstring wide_name(name.begin(), name.end());
  SetLastError(ERROR_SUCCESS);
  DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::u16string();
  }
  std::wstring value(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
  value.resize(length);
  return std::u16string(value.begin(), value.end());
}

std::int32_t RunCommand(std::u16string_view command, std::int16_t window_style) {
  const std::u16string expanded = ExpandEnvironmentReferences(command);
  const std::vector<std::u16string> words = SplitCommandWords(expanded);
  if (words.empty()) Raise(err::kInvalidProcedureCall, u"Cannot start an empty command");

  // CreateProcessW may write into the command line it is given.
  std::wstring command_line(expanded.begin(), expanded.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(window_style);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    RaiseNotStarted(GetLastError(), words.front());
  }
  const Handle process_handle(process.hProcess);
  const Handle thread_handle(process.hThread);
  WaitForSingleObject(process_handle.get(), INFINITE);
  DWORD exit_code = 0;
  GetExitCodeProcess(process_handle.get(), &exit_code);
  return static_cast<std::int32_t>(exit_code);
}

}  // namespace duza
