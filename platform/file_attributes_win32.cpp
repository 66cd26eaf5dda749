#include <windows.h>

#include <memory>

#include "platform/error.h"
#include "platform/file_attributes.h"
#include "platform/paths.h"

namespace duza {
namespace {

[[noreturn]] void RaiseFor(DWORD code, const std::filesystem::path& path,
                           std::int32_t not_found = err::kFileNotFound) {
  std::int32_t number = err::kPathFileAccessError;
  if (code == ERROR_FILE_NOT_FOUND) {
    number = not_found;
  } else if (code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
             code == ERROR_BAD_NETPATH || code == ERROR_DIRECTORY) {
    number = not_found == err::kFileNotFound ? err::kFileNotFound : err::kPathNotFound;
  } else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
             code == ERROR_WRITE_PROTECT) {
    number = err::kPermissionDenied;
  }
  Raise(number, StandardDescription(number) + u": " + TextOfPath(path));
}

struct FindCloser {
  void operator()(HANDLE handle) const { FindClose(handle); }
};

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

class Win32FileItems final : public FileItems {
 public:
  FolderListing ListFolder(const std::filesystem::path& folder) override {
    FolderListing listing;
    {
      HANDLE raw = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (raw == INVALID_HANDLE_VALUE) RaiseFor(GetLastError(), folder, err::kPathNotFound);
      std::unique_ptr<void, HandleCloser> handle(raw);
      BY_HANDLE_FILE_INFORMATION info{};
      if (!GetFileInformationByHandle(raw, &info)) RaiseFor(GetLastError(), folder, err::kPathNotFound);
      if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        RaiseFor(ERROR_PATH_NOT_FOUND, folder, err::kPathNotFound);
      }
      listing.identity = {info.dwVolumeSerialNumber,
                          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                              info.nFileIndexLow};
    }
    const std::filesystem::path pattern = folder / L"*";
    WIN32_FIND_DATAW found{};
    HANDLE raw = FindFirstFileW(pattern.c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return listing;
      RaiseFor(GetLastError(), folder, err::kPathNotFound);
    }
    std::unique_ptr<void, FindCloser> find(raw);
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      std::u16string text(name.begin(), name.end());
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        listing.subfolders.push_back(std::move(text));
      } else {
        listing.files.push_back(std::move(text));
      }
    } while (FindNextFileW(raw, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) RaiseFor(GetLastError(), folder, err::kPathNotFound);
    return listing;
  }

  ItemKind KindOf(const std::filesystem::path& item) override {
    const DWORD attributes = GetFileAttributesW(item.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ItemKind::kNone;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ItemKind::kLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ItemKind::kFolder;
    return ItemKind::kFile;
  }

  void WriteAttributes(const std::filesystem::path& item, std::int16_t value) override {
    const DWORD current = GetFileAttributesW(item.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) RaiseFor(GetLastError(), item);
    if (current & FILE_ATTRIBUTE_REPARSE_POINT) return;
    const DWORD wanted = value == 0 ? FILE_ATTRIBUTE_NORMAL : static_cast<DWORD>(value);
    if (!SetFileAttributesW(item.c_str(), wanted)) RaiseFor(GetLastError(), item);
  }

  void RemoveFile(const std::filesystem::path& item) override {
    const DWORD current = GetFileAttributesW(item.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) RaiseFor(GetLastError(), item);
    if ((current & FILE_ATTRIBUTE_DIRECTORY) && !(current & FILE_ATTRIBUTE_REPARSE_POINT)) {
      RaiseFor(ERROR_FILE_NOT_FOUND, item);
    }
    if (current & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesW(item.c_str(), current & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    // A link to a folder is removed as a folder; either way only the link goes.
    const BOOL deleted = (current & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(item.c_str())
                                                               : DeleteFileW(item.c_str());
    if (!deleted) RaiseFor(GetLastError(), item);
  }
};

}  // namespace

FileItems& RealFileItems() {
  static Win32FileItems items;
  return items;
}

}  // namespace duza
