// The file-system operations behind the attribute walk and the removal of default
// documents: list a folder, write an item's attributes, delete a file. One interface, so
// that a test can stand in for the file system (for instance to fail in the middle of a
// walk); RealFileItems() is the file system itself.
//
// Attribute values are those of the platform's file-system object: 0 normal, 1 read-only,
// 2 hidden, added together.
//
// On Windows a write sets the item's attributes to exactly that value. Elsewhere the nearest
// real thing: on a regular file read-only clears every write permission bit and its absence
// gives the owner write permission back (never group or others); a folder's permissions
// stay, since a read-only folder does not stop changes inside it. The whole value, hidden
// included, is also kept in the extended attribute "user.DOSATTRIB" as "0x" and lower-case
// hexadecimal digits ("0x3"), the textual form Samba reads; a file system without extended
// attributes just does not keep it.
//
// Nothing is changed through a symbolic link (or, on Windows, any reparse point): listings
// leave them out and a write to one is passed over.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace duza {

inline constexpr std::int16_t kAttributeNormal = 0;
inline constexpr std::int16_t kAttributeReadOnly = 1;
inline constexpr std::int16_t kAttributeHidden = 2;

// The name of the extended attribute that keeps the whole value where there is no native
// place for it.
inline constexpr char kDosAttributeName[] = "user.DOSATTRIB";

// Identifies a folder however it is reached (device and inode, or volume and file index).
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  auto operator<=>(const FolderIdentity&) const = default;
};

struct FolderListing {
  FolderIdentity identity;
  std::vector<std::u16string> files;       // names only, in the platform's order
  std::vector<std::u16string> subfolders;  // names only, in the platform's order
};

enum class ItemKind { kNone, kFile, kFolder, kLink, kOther };

class FileItems {
 public:
  virtual ~FileItems() = default;

  // The regular files and the subfolders directly inside `folder`. Raises 76 "Path not
  // found" when there is no such folder, 70 when it may not be read.
  virtual FolderListing ListFolder(const std::filesystem::path& folder) = 0;

  // What `item` itself is, without following a symbolic link.
  virtual ItemKind KindOf(const std::filesystem::path& item) = 0;

  // Sets the attributes of a file or folder to `value` (see above). A symbolic link is
  // passed over. Raises 53 when the item does not exist, 70 when the change is refused.
  virtual void WriteAttributes(const std::filesystem::path& item, std::int16_t value) = 0;

  // Deletes a file, read-only or not, or a symbolic link itself (never its target).
  // Raises 53 when it does not exist, 70 when the deletion is refused.
  virtual void RemoveFile(const std::filesystem::path& item) = 0;
};

// The file system itself.
FileItems& RealFileItems();

}  // namespace duza
