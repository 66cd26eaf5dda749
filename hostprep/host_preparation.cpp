#include "hostprep/host_preparation.h"

#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/shell_runner.h"
#include "platform/text.h"

namespace duza::hostprep {
namespace {

void Run(std::size_t row) {
  const CommandRun& run = kCommandRuns[row];
  // The exit code says nothing the caller acts on.
  static_cast<void>(RunCommand(run.command, run.window_style));
}

// One row of the file rule; the first row whose test holds gives the value.
struct FileRule {
  enum class Test { kFolderPathEndsWith, kReleasing, kNameEndsWith, kAlways };
  Test test;
  std::array<std::u16string_view, 4> endings;
  std::int16_t value;
};

constexpr std::int16_t kReadOnlyHidden = kAttributeReadOnly + kAttributeHidden;

constexpr std::array<FileRule, 5> kFileRule{{
    {FileRule::Test::kFolderPathEndsWith, {u"xls"}, kAttributeNormal},
    {FileRule::Test::kReleasing, {}, kAttributeNormal},
    {FileRule::Test::kNameEndsWith, {u"aspx", u"yrpt", u"prpt", u".dll"}, kReadOnlyHidden},
    {FileRule::Test::kNameEndsWith, {u".exe"}, kAttributeNormal},
    {FileRule::Test::kAlways, {}, kAttributeReadOnly},
}};

// Compares the last characters of `text`, lower-cased, with `ending`; a shorter text is
// compared whole.
bool EndsWith(std::u16string_view text, std::u16string_view ending) {
  return LowerCase(Right(text, static_cast<std::int32_t>(ending.size()))) == ending;
}

bool AnyEnding(std::u16string_view text, const std::array<std::u16string_view, 4>& endings) {
  for (const auto ending : endings) {
    if (!ending.empty() && EndsWith(text, ending)) return true;
  }
  return false;
}

// One folder of the walk whose subfolders are still to be visited.
struct PendingFolder {
  std::u16string path;
  std::vector<std::u16string> subfolders;
  std::size_t next = 0;
};

}  // namespace

void ConfigureIisComponents() { Run(0); }
void StartSqlServer() { Run(1); }
void StopSqlServer() { Run(2); }

std::int16_t FileAttributeValue(std::u16string_view folder_path, std::u16string_view file_name,
                                bool protect) {
  for (const FileRule& row : kFileRule) {
    switch (row.test) {
      case FileRule::Test::kFolderPathEndsWith:
        if (AnyEnding(folder_path, row.endings)) return row.value;
        break;
      case FileRule::Test::kReleasing:
        if (!protect) return row.value;
        break;
      case FileRule::Test::kNameEndsWith:
        if (AnyEnding(file_name, row.endings)) return row.value;
        break;
      case FileRule::Test::kAlways:
        return row.value;
    }
  }
  return kAttributeReadOnly;
}

std::int16_t FolderAttributeValue(bool protect) {
  return protect ? kAttributeReadOnly : kAttributeNormal;
}

void SetFolderAttributes(std::u16string_view folder_path, bool protect) {
  SetFolderAttributes(folder_path, protect, RealFileItems());
}

// A loop over an explicit stack instead of one call per level, so that a very deep tree
// cannot exhaust the call stack; the order of the writes is that of the recursive walk.
void SetFolderAttributes(std::u16string_view folder_path, bool protect, FileItems& items) {
  std::set<FolderIdentity> entered;
  std::vector<PendingFolder> pending;

  // Lists a folder (both lists before anything is written), writes its files and leaves its
  // subfolders for later; a folder entered before is passed over.
  auto enter = [&](std::u16string path) {
    FolderListing listing = items.ListFolder(NativePath(path));
    if (!entered.insert(listing.identity).second) return;
    for (const auto& name : listing.files) {
      items.WriteAttributes(NativePath(path + u"\\" + name),
                            FileAttributeValue(path, name, protect));
    }
    pending.push_back({std::move(path), std::move(listing.subfolders), 0});
  };

  enter(std::u16string(folder_path));
  while (!pending.empty()) {
    PendingFolder& top = pending.back();
    if (top.next == top.subfolders.size()) {
      pending.pop_back();
      continue;
    }
    std::u16string child = top.path + u"\\" + top.subfolders[top.next++];
    items.WriteAttributes(NativePath(child), FolderAttributeValue(protect));
    enter(std::move(child));  // may grow `pending`: `top` is not used after this
  }
}

void RemoveDefaultDocuments() { RemoveDefaultDocuments(RealFileItems()); }

void RemoveDefaultDocuments(FileItems& items) {
  for (const auto name : kDefaultDocumentNames) {
    const std::filesystem::path path = NativePath(name);
    switch (items.KindOf(path)) {
      case ItemKind::kFile:
        items.WriteAttributes(path, kAttributeNormal);
        items.RemoveFile(path);
        break;
      case ItemKind::kLink:
        // Writing attributes would reach the link's target; the link itself just goes.
        items.RemoveFile(path);
        break;
      case ItemKind::kNone:
      case ItemKind::kFolder:
      case ItemKind::kOther:
        break;
    }
  }
}

}  // namespace duza::hostprep
