#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "platform/error.h"
#include "platform/file_attributes.h"
#include "platform/text.h"

namespace duza {
namespace {

std::u16string PathText(const std::filesystem::path& path) {
  return Utf16FromUtf8(path.string());
}

[[noreturn]] void RaiseFor(int error_number, const std::filesystem::path& path,
                           std::int32_t not_found = err::kFileNotFound) {
  std::int32_t number = err::kPathFileAccessError;
  if (error_number == ENOENT || error_number == ENOTDIR) {
    number = not_found;
  } else if (error_number == EACCES || error_number == EPERM || error_number == EROFS) {
    number = err::kPermissionDenied;
  }
  Raise(number, StandardDescription(number) + u": " + PathText(path));
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

std::string DosAttributeText(std::int16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(static_cast<std::uint16_t>(value)));
  return text;
}

#if defined(__linux__) && !defined(__alpha__)
// fchmodat2 (Linux 6.6) takes AT_SYMLINK_NOFOLLOW in one call. The C library's fchmodat
// emulates the flag with four (open the item as a path, examine it, change it through
// /proc/self/fd, close), which made the change the dearest step of an attribute walk.
// Headers older than the call lack its number, which is the same on every architecture
// but Alpha.
constexpr long kFchmodat2 = 452;
#define DUZA_TRY_FCHMODAT2 1
#endif

bool ChangeMode(const std::filesystem::path& item, mode_t mode) {
  // AT_SYMLINK_NOFOLLOW: had the item been replaced by a link since it was examined, the
  // change fails instead of reaching the link's target.
#ifdef DUZA_TRY_FCHMODAT2
  if (syscall(kFchmodat2, AT_FDCWD, item.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
  // An older kernel says ENOSYS (at the cost of one quick call per item); a sandbox that
  // filters unknown calls may say EPERM, which the C library's way then confirms or
  // corrects.
  if (errno != ENOSYS && errno != EPERM) return false;
#endif
  return fchmodat(AT_FDCWD, item.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0;
}

class PosixFileItems final : public FileItems {
 public:
  FolderListing ListFolder(const std::filesystem::path& folder) override {
    struct stat folder_status {};
    if (lstat(folder.c_str(), &folder_status) != 0) RaiseFor(errno, folder, err::kPathNotFound);
    if (!S_ISDIR(folder_status.st_mode)) {
      // The walk's own root may be named through a link; what lies below it is not.
      if (!S_ISLNK(folder_status.st_mode) || stat(folder.c_str(), &folder_status) != 0 ||
          !S_ISDIR(folder_status.st_mode)) {
        RaiseFor(ENOENT, folder, err::kPathNotFound);
      }
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) RaiseFor(errno, folder, err::kPathNotFound);

    FolderListing listing;
    listing.identity = {static_cast<std::uint64_t>(folder_status.st_dev),
                        static_cast<std::uint64_t>(folder_status.st_ino)};
    const int dir_fd = dirfd(dir.get());
    for (;;) {
      errno = 0;
      const dirent* entry = readdir(dir.get());
      if (entry == nullptr) {
        if (errno != 0) RaiseFor(errno, folder, err::kPathNotFound);
        break;
      }
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      // Most file systems say in the entry what it is; asking the item itself only where
      // one does not saves a call per item, the walk's dearest part after the writes.
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat status {};
        if (fstatat(dir_fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
          if (errno == ENOENT) continue;  // gone since the folder was read
          RaiseFor(errno, folder / entry->d_name);
        }
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : DT_UNKNOWN;
      }
      if (type == DT_REG) {
        listing.files.push_back(Utf16FromUtf8(name));
      } else if (type == DT_DIR) {
        listing.subfolders.push_back(Utf16FromUtf8(name));
      }
    }
    return listing;
  }

  ItemKind KindOf(const std::filesystem::path& item) override {
    struct stat status {};
    if (lstat(item.c_str(), &status) != 0) return ItemKind::kNone;
    if (S_ISLNK(status.st_mode)) return ItemKind::kLink;
    if (S_ISREG(status.st_mode)) return ItemKind::kFile;
    if (S_ISDIR(status.st_mode)) return ItemKind::kFolder;
    return ItemKind::kOther;
  }

  void WriteAttributes(const std::filesystem::path& item, std::int16_t value) override {
    struct stat status {};
    if (lstat(item.c_str(), &status) != 0) RaiseFor(errno, item);
    if (S_ISLNK(status.st_mode)) return;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) return;

    const mode_t original = status.st_mode & 07777;
    mode_t wanted = original;
    if (S_ISREG(status.st_mode)) {
      wanted = (value & kAttributeReadOnly) ? (original & ~mode_t{0222}) : (original | S_IWUSR);
    }
    // Writing a user extended attribute needs write permission, which a read-only item
    // lacks: the owner gets it for the moment of the write.
    const mode_t during = original | S_IWUSR;
    if (during != original && !ChangeMode(item, during)) RaiseFor(errno, item);
    const std::string text = DosAttributeText(value);
    if (lsetxattr(item.c_str(), kDosAttributeName, text.data(), text.size(), 0) != 0) {
      const int error_number = errno;
      if (error_number != ENOTSUP && error_number != EOPNOTSUPP) {
        if (during != original) ChangeMode(item, original);
        RaiseFor(error_number, item);
      }
    }
    if (wanted != during && !ChangeMode(item, wanted)) {
      const int error_number = errno;
      if (during != original) ChangeMode(item, original);
      RaiseFor(error_number, item);
    }
  }

  void RemoveFile(const std::filesystem::path& item) override {
    struct stat status {};
    if (lstat(item.c_str(), &status) != 0) RaiseFor(errno, item);
    if (S_ISDIR(status.st_mode)) RaiseFor(ENOENT, item);
    if (unlink(item.c_str()) != 0) RaiseFor(errno, item);
  }
};

}  // namespace

FileItems& RealFileItems() {
  static PosixFileItems items;
  return items;
}

}  // namespace duza
