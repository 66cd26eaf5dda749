#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/connection_settings.h"

namespace duza {
namespace {

constexpr std::u16string_view kFileName = u"\\web.config";

[[noreturn]] void RaiseForPath(std::int32_t number, const std::filesystem::path& path,
                               std::u16string_view detail) {
  Raise(number, StandardDescription(number) + u": " + TextOfPath(path) + std::u16string(detail));
}

// Why the file cannot be read, told before opening it: a folder or a device in its place
// would otherwise open on some systems and fail (or wait for input) only when read.
void CheckReadablePlace(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) Raise(err::kFileNotFound);
  if (error) RaiseForPath(err::kPathFileAccessError, path, u" (" + Utf16FromUtf8(error.message()) + u")");
  if (std::filesystem::is_directory(status)) {
    RaiseForPath(err::kPathFileAccessError, path, u" is a directory");
  }
  if (!std::filesystem::is_regular_file(status)) {
    RaiseForPath(err::kPathFileAccessError, path, u" is not a regular file");
  }
}

}  // namespace

std::u16string ReadWebConfig(std::u16string_view web_directory) {
  std::u16string typed(web_directory);
  typed += kFileName;
  const std::filesystem::path path = NativePath(typed);
  CheckReadablePlace(path);

  errno = 0;
  std::ifstream stream(path, std::ios::in | std::ios::binary);
  if (!stream.is_open()) {
    if (errno == EACCES || errno == EPERM) RaiseForPath(err::kPermissionDenied, path, {});
    if (errno == ENOENT) Raise(err::kFileNotFound);
    RaiseForPath(err::kPathFileAccessError, path, {});
  }
  // Read through the stream, not its buffer, so that a failing read sets the stream's bad
  // state instead of escaping as the library's own exception.
  std::string bytes;
  std::array<char, 65536> chunk{};
  while (stream.read(chunk.data(), chunk.size()) || stream.gcount() > 0) {
    bytes.append(chunk.data(), static_cast<std::size_t>(stream.gcount()));
  }
  if (stream.bad()) RaiseForPath(err::kDeviceIoError, path, {});
  // Reading all of an empty stream is reading past its end.
  if (bytes.empty()) Raise(err::kInputPastEndOfFile);
  return TextFromAnsi(bytes);
}

}  // namespace duza
