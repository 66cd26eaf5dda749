// The walk's order, child paths and failure semantics, against a file system that a map of
// folders stands in for (so the order of listings is fixed and a write can be made to fail).
// The real file system is walked in folder_attributes_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostprep/host_preparation.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/raises.h"

namespace duza::hostprep {
namespace {

struct FakeFolder {
  std::uint64_t identity;
  std::vector<std::u16string> files;
  std::vector<std::u16string> subfolders;
};

// A folder's key in the fake: doubled separators count once, a trailing one not at all,
// as the file system sees them.
std::string FolderKey(const std::filesystem::path& folder) {
  std::string key;
  for (const char c : folder.generic_string()) {
    if (c == '/' && !key.empty() && key.back() == '/') continue;
    key.push_back(c);
  }
  if (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

class FakeFileItems final : public FileItems {
 public:
  // Folders by the generic form of their native path.
  std::map<std::string, FakeFolder> folders;
  std::vector<std::string> listed;
  std::vector<std::pair<std::string, std::int16_t>> writes;
  std::optional<std::size_t> fail_write_number;  // the n-th write (from 0) raises 70

  FolderListing ListFolder(const std::filesystem::path& folder) override {
    const std::string key = FolderKey(folder);
    listed.push_back(key);
    const auto found = folders.find(key);
    if (found == folders.end()) Raise(err::kPathNotFound);
    return {{0, found->second.identity}, found->second.files, found->second.subfolders};
  }
  ItemKind KindOf(const std::filesystem::path&) override { return ItemKind::kNone; }
  void WriteAttributes(const std::filesystem::path& item, std::int16_t value) override {
    if (fail_write_number && *fail_write_number == writes.size()) Raise(err::kPermissionDenied);
    writes.emplace_back(item.generic_string(), value);
  }
  void RemoveFile(const std::filesystem::path&) override {}
};

using Writes = std::vector<std::pair<std::string, std::int16_t>>;

// The native form of a path the walk builds with backslashes.
std::string Native(const std::u16string& windows_path) {
  return NativePath(windows_path).generic_string();
}

class FolderWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.folders[Native(u"C:\\web")] = {1, {u"Main.aspx", u"web.config"}, {u"bin", u"XLS"}};
    items_.folders[Native(u"C:\\web\\bin")] = {2, {u"Lib.dll", u"setup.exe"}, {u"deep"}};
    items_.folders[Native(u"C:\\web\\bin\\deep")] = {3, {u"page.htm"}, {}};
    items_.folders[Native(u"C:\\web\\XLS")] = {4, {u"Main.aspx"}, {u"inner"}};
    items_.folders[Native(u"C:\\web\\XLS\\inner")] = {5, {u"Main.aspx"}, {}};
  }

  FakeFileItems items_;
};

TEST_F(FolderWalkTest, ProtectWritesFilesThenEachSubfolderAndItsTreeDepthFirst) {
  SetFolderAttributes(u"C:\\web", true, items_);
  const Writes expected{
      {Native(u"C:\\web\\Main.aspx"), 3},
      {Native(u"C:\\web\\web.config"), 1},
      {Native(u"C:\\web\\bin"), 1},
      {Native(u"C:\\web\\bin\\Lib.dll"), 3},
      {Native(u"C:\\web\\bin\\setup.exe"), 0},
      {Native(u"C:\\web\\bin\\deep"), 1},
      {Native(u"C:\\web\\bin\\deep\\page.htm"), 1},
      {Native(u"C:\\web\\XLS"), 1},
      {Native(u"C:\\web\\XLS\\Main.aspx"), 0},
      {Native(u"C:\\web\\XLS\\inner"), 1},
      {Native(u"C:\\web\\XLS\\inner\\Main.aspx"), 3},
  };
  EXPECT_EQ(items_.writes, expected);
}

TEST_F(FolderWalkTest, ReleaseWritesNormalEverywhere) {
  SetFolderAttributes(u"C:\\web", false, items_);
  ASSERT_EQ(items_.writes.size(), 11u);
  for (const auto& [path, value] : items_.writes) EXPECT_EQ(value, 0) << path;
}

TEST_F(FolderWalkTest, TrailingBackslashDoublesTheSeparatorAndHidesTheXlsEnding) {
  // The folder "C:\web\XLS\" as typed: its own last three characters are "LS\", so its
  // files follow the other rows; the children's paths carry two backslashes.
  SetFolderAttributes(u"C:\\web\\XLS\\", true, items_);
  const Writes expected{
      {Native(u"C:\\web\\XLS\\\\Main.aspx"), 3},
      {Native(u"C:\\web\\XLS\\\\inner"), 1},
      {Native(u"C:\\web\\XLS\\\\inner\\Main.aspx"), 3},
  };
  EXPECT_EQ(items_.writes, expected);
}

TEST_F(FolderWalkTest, TheFolderItselfIsNotWritten) {
  SetFolderAttributes(u"C:\\web\\bin\\deep", true, items_);
  EXPECT_EQ(items_.writes, (Writes{{Native(u"C:\\web\\bin\\deep\\page.htm"), 1}}));
}

TEST_F(FolderWalkTest, EmptyFolderWritesNothing) {
  items_.folders[Native(u"C:\\empty")] = {9, {}, {}};
  SetFolderAttributes(u"C:\\empty", true, items_);
  EXPECT_TRUE(items_.writes.empty());
}

TEST_F(FolderWalkTest, BothListsAreTakenBeforeAnythingIsWritten) {
  SetFolderAttributes(u"C:\\web\\bin\\deep", true, items_);
  EXPECT_EQ(items_.listed, std::vector<std::string>{Native(u"C:\\web\\bin\\deep")});
}

TEST_F(FolderWalkTest, MissingFolderRaisesPathNotFoundAndWritesNothing) {
  EXPECT_RAISES(SetFolderAttributes(u"C:\\nowhere", true, items_), err::kPathNotFound);
  EXPECT_TRUE(items_.writes.empty());
}

TEST_F(FolderWalkTest, FailureMidWalkEndsEveryLevelAndKeepsEarlierWrites) {
  items_.fail_write_number = 5;  // the write to C:\web\bin\deep
  EXPECT_RAISES(SetFolderAttributes(u"C:\\web", true, items_), err::kPermissionDenied);
  const Writes expected{
      {Native(u"C:\\web\\Main.aspx"), 3},   {Native(u"C:\\web\\web.config"), 1},
      {Native(u"C:\\web\\bin"), 1},         {Native(u"C:\\web\\bin\\Lib.dll"), 3},
      {Native(u"C:\\web\\bin\\setup.exe"), 0},
  };
  EXPECT_EQ(items_.writes, expected);
  // Nothing of the outer level after the failing subtree was touched.
  EXPECT_EQ(items_.listed.size(), 2u);
}

TEST_F(FolderWalkTest, FolderReachedAgainIsNotWalkedTwice) {
  // "again" is the same folder as C:\web (a mount or junction back to the top).
  items_.folders[Native(u"C:\\web\\bin\\deep")].subfolders = {u"again"};
  items_.folders[Native(u"C:\\web\\bin\\deep\\again")] = items_.folders[Native(u"C:\\web")];
  SetFolderAttributes(u"C:\\web", true, items_);
  // The way into it is written like any subfolder, but nothing inside it a second time.
  std::size_t main_writes = 0;
  for (const auto& [path, value] : items_.writes) {
    if (path.find("again/") != std::string::npos) ADD_FAILURE() << "walked again: " << path;
    if (path.ends_with("/Main.aspx")) ++main_writes;
  }
  EXPECT_EQ(main_writes, 3u);
}

// A chain of folders "d\d\d..." that the fake makes up as the walk goes, each with one
// file: thousands of levels, each of which would be a nested call in a recursive walk.
class DeepChainItems final : public FileItems {
 public:
  explicit DeepChainItems(std::size_t depth) : depth_(depth) {}
  std::size_t writes = 0;
  std::size_t deepest = 0;

  FolderListing ListFolder(const std::filesystem::path& folder) override {
    const auto& text = folder.native();
    const std::size_t level =
        1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), folder.preferred_separator));
    deepest = std::max(deepest, level);
    FolderListing listing{{0, level}, {u"f.txt"}, {}};
    if (level < depth_) listing.subfolders.push_back(u"d");
    return listing;
  }
  ItemKind KindOf(const std::filesystem::path&) override { return ItemKind::kNone; }
  void WriteAttributes(const std::filesystem::path&, std::int16_t) override { ++writes; }
  void RemoveFile(const std::filesystem::path&) override {}

 private:
  std::size_t depth_;
};

TEST(DeepFolderWalkTest, VeryDeepTreeIsWalkedWithoutOneCallPerLevel) {
  constexpr std::size_t kDepth = 3000;
  DeepChainItems items(kDepth);
  SetFolderAttributes(u"d", true, items);
  EXPECT_EQ(items.deepest, kDepth);
  EXPECT_EQ(items.writes, 2 * kDepth - 1);
}

}  // namespace
}  // namespace duza::hostprep
