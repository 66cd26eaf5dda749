// The removal works on the current directory, which belongs to the whole process: the real
// runs happen in a child process (the command-line program) started in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostprep/host_preparation.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/hostprep/child_process.h"
#include "tests/hostprep/temp_tree.h"
#include "tests/support/raises.h"

namespace duza::hostprep {
namespace {

namespace fs = std::filesystem;
using duza::testing::CliProgram;
using duza::testing::RunInFolder;
using duza::testing::TempTree;

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

TEST(DefaultDocumentNamesTest, AreTheNineNamesInOrderWithoutDefaultHtm) {
  const std::vector<std::u16string_view> expected{
      u"default.asp", u"default.aspx", u"default.html", u"index.asp", u"index.aspx",
      u"index.htm",   u"index.html",   u"iisstart.htm", u"iisstart.asp"};
  EXPECT_EQ(std::vector<std::u16string_view>(kDefaultDocumentNames.begin(),
                                             kDefaultDocumentNames.end()),
            expected);
}

TEST(RemoveDefaultDocumentsTest, DeletesReadOnlyDocumentsInTheWorkingDirectoryAndKeepsOthers) {
  TempTree tree;
  MakeReadOnly(tree.File("index.htm"));
  tree.File("default.aspx");
  tree.File("iisstart.asp");
  tree.File("default.htm");
  tree.File("web.config");
  tree.File("sub/index.html");  // not in the working directory itself

  const auto result = RunInFolder(CliProgram(), {"remove-default-documents"}, tree.root());
  EXPECT_EQ(result.exit_code, 0) << result.error_output;
  EXPECT_FALSE(fs::exists(tree.root() / "index.htm"));
  EXPECT_FALSE(fs::exists(tree.root() / "default.aspx"));
  EXPECT_FALSE(fs::exists(tree.root() / "iisstart.asp"));
  EXPECT_TRUE(fs::exists(tree.root() / "default.htm"));
  EXPECT_TRUE(fs::exists(tree.root() / "web.config"));
  EXPECT_TRUE(fs::exists(tree.root() / "sub/index.html"));
}

TEST(RemoveDefaultDocumentsTest, ChangesNothingWhereNoneOfTheNamesExists) {
  TempTree tree;
  tree.File("default.htm", "keep");
  tree.Folder("index.html");  // a folder with one of the names is no file

  const auto result = RunInFolder(CliProgram(), {"remove-default-documents"}, tree.root());
  EXPECT_EQ(result.exit_code, 0) << result.error_output;
  EXPECT_EQ(duza::testing::ReadAll(tree.root() / "default.htm"), "keep");
  EXPECT_TRUE(fs::is_directory(tree.root() / "index.html"));
}

#ifndef _WIN32

TEST(RemoveDefaultDocumentsTest, LinkWithADocumentNameGoesButItsTargetStaysUntouched) {
  TempTree tree;
  const fs::path target = tree.File("outside/page.html", "target");
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  const auto before = fs::status(target).permissions();
  tree.Folder("cwd");
  fs::create_symlink(target, tree.root() / "cwd/index.html");

  const auto result = RunInFolder(CliProgram(), {"remove-default-documents"}, tree.root() / "cwd");
  EXPECT_EQ(result.exit_code, 0) << result.error_output;
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree.root() / "cwd/index.html")));
  EXPECT_EQ(duza::testing::ReadAll(target), "target");
  EXPECT_EQ(fs::status(target).permissions(), before);
}

// A file that may not be changed, made so with the immutable flag (which binds even the
// superuser that tests may run as); passed over where the file system or the rights lack it.
class ImmutableFile {
 public:
  explicit ImmutableFile(fs::path path) : path_(std::move(path)) {
    made_ = std::system(("chattr +i '" + path_.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~ImmutableFile() {
    if (made_) static_cast<void>(std::system(("chattr -i '" + path_.string() + "'").c_str()));
  }
  bool made() const { return made_; }

 private:
  fs::path path_;
  bool made_ = false;
};

TEST(RemoveDefaultDocumentsTest, RefusedFileStopsTheRemovalThereWithItsNameInTheError) {
  TempTree tree;
  tree.File("default.asp");
  tree.File("index.htm");  // after the refused name: stays
  const ImmutableFile refused(tree.File("index.asp"));
  if (!refused.made()) GTEST_SKIP() << "no immutable files here";

  const auto result = RunInFolder(CliProgram(), {"remove-default-documents"}, tree.root());
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.error_output, "error 70: Permission denied: index.asp\n");
  EXPECT_FALSE(fs::exists(tree.root() / "default.asp"));
  EXPECT_TRUE(fs::exists(tree.root() / "index.asp"));
  EXPECT_TRUE(fs::exists(tree.root() / "index.htm"));
}

#endif

// Stands in for the file system to see which calls the removal makes and to refuse one.
class RecordingItems final : public FileItems {
 public:
  std::map<std::string, ItemKind> kinds;
  std::optional<std::string> refuse_delete;
  std::vector<std::string> calls;

  FolderListing ListFolder(const fs::path&) override { return {}; }
  ItemKind KindOf(const fs::path& item) override {
    const auto found = kinds.find(item.generic_string());
    return found == kinds.end() ? ItemKind::kNone : found->second;
  }
  void WriteAttributes(const fs::path& item, std::int16_t value) override {
    calls.push_back("attributes " + item.generic_string() + " " + std::to_string(value));
  }
  void RemoveFile(const fs::path& item) override {
    if (refuse_delete == item.generic_string()) {
      Raise(err::kPermissionDenied, u"Permission denied: " + Utf16FromUtf8(item.generic_string()));
    }
    calls.push_back("delete " + item.generic_string());
  }
};

TEST(RemoveDefaultDocumentsTest, ClearsAttributesBeforeDeletingAndRemovesLinksWithoutThem) {
  RecordingItems items;
  items.kinds = {{"default.asp", ItemKind::kFile},
                 {"index.asp", ItemKind::kLink},
                 {"index.htm", ItemKind::kFolder},
                 {"iisstart.asp", ItemKind::kFile}};
  RemoveDefaultDocuments(items);
  const std::vector<std::string> expected{"attributes default.asp 0", "delete default.asp",
                                          "delete index.asp", "attributes iisstart.asp 0",
                                          "delete iisstart.asp"};
  EXPECT_EQ(items.calls, expected);
}

TEST(RemoveDefaultDocumentsTest, FailureStopsAtTheFailingNameAndKeepsEarlierDeletions) {
  RecordingItems items;
  items.kinds = {{"default.asp", ItemKind::kFile},
                 {"index.aspx", ItemKind::kFile},
                 {"iisstart.htm", ItemKind::kFile}};
  items.refuse_delete = "index.aspx";
  try {
    RemoveDefaultDocuments(items);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kPermissionDenied);
    EXPECT_EQ(error.description(), u"Permission denied: index.aspx");
  }
  const std::vector<std::string> expected{"attributes default.asp 0", "delete default.asp",
                                          "attributes index.aspx 0"};
  EXPECT_EQ(items.calls, expected);
}

}  // namespace
}  // namespace duza::hostprep
