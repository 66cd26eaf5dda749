// Stands in for the system's shell link object: keeps what is set and writes the published
// link format on Save. The file appears whole or not at all: it is written to a temporary
// file in the same folder and renamed over the link file.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/ansi_code_page.h"
#include "platform/paths.h"
#include "platform/shell_link.h"
#include "platform/shell_link_format.h"

namespace duza {
namespace {

// What arrives through the ANSI entry points: a C string, so the text ends at its first NUL.
std::u16string ThroughAnsi(std::u16string_view text) {
  return TextFromAnsi(AnsiFromText(text.substr(0, text.find(u'\0'))));
}

HResult FromErrno(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      return kEPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kEAccessDenied;
    default:
      return kEFail;
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

class FileShellLink final : public ShellLink {
 public:
  HResult SetPath(std::u16string_view path) override {
    if (path.size() > kMaxLinkTargetLength) return kEInvalidArg;
    data_.target = ThroughAnsi(path);
    return kSOk;
  }
  HResult SetWorkingDirectory(std::u16string_view folder) override {
    return SetText(data_.working_directory, folder);
  }
  HResult SetArguments(std::u16string_view arguments) override {
    return SetText(data_.arguments, arguments);
  }
  HResult SetDescription(std::u16string_view description) override {
    return SetText(data_.description, description);
  }
  HResult SetIconLocation(std::u16string_view icon_file, std::int32_t index) override {
    const HResult result = SetText(data_.icon_location, icon_file);
    if (result == kSOk) data_.icon_index = index;
    return result;
  }
  HResult SetShowCmd(std::int32_t show_command) override {
    data_.show_command = show_command;
    return kSOk;
  }
  // The target is not looked for: a web address has nothing to resolve, and a path on this
  // machine says nothing about the machine that opens the link.
  HResult Resolve(std::intptr_t /*owner_window*/, std::uint32_t /*flags*/) override {
    return data_.target.empty() ? kEFail : kSOk;
  }
  HResult Save(std::u16string_view file, bool /*remember*/) override {
    if (file.empty() || data_.target.empty()) return kEInvalidArg;
    std::string bytes;
    try {
      bytes = EncodeShellLink(data_);
    } catch (...) {
      return kEInvalidArg;
    }
    const std::filesystem::path target = NativePath(file);
    if (target.filename().empty()) return kEInvalidArg;
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) return FromErrno(errno);
    // A link file is no secret: the permissions a new file gets from the umask.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    const int write_error = errno;
    if (close(fd) != 0 || !written) {
      unlink(temp.c_str());
      return FromErrno(written ? errno : write_error);
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
      const int rename_error = errno;
      unlink(temp.c_str());
      return FromErrno(rename_error);
    }
    return kSOk;
  }

 private:
  static HResult SetText(std::u16string& into, std::u16string_view text) {
    if (text.size() > 0xFFFF) return kEInvalidArg;
    into = ThroughAnsi(text);
    return kSOk;
  }

  ShellLinkData data_;
};

}  // namespace

std::unique_ptr<ShellLink> CreateShellLink() { return std::make_unique<FileShellLink>(); }

}  // namespace duza
