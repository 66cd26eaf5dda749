// The attribute walk on a real temporary tree, read back from the file system itself:
// on Windows the attributes, elsewhere the permission bits and "user.DOSATTRIB".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "hostprep/host_preparation.h"
#include "platform/error.h"
#include "platform/text.h"
#include "tests/hostprep/temp_tree.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#endif

namespace duza::hostprep {
namespace {

namespace fs = std::filesystem;
using duza::testing::TempTree;

#ifdef _WIN32

std::optional<int> StoredValue(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<int>(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

bool ExtendedAttributesKept(const fs::path&) { return true; }

// Windows keeps a folder's read-only attribute; the emulator (wine) drops it.
bool FolderAttributesKept(const fs::path& folder) {
  const fs::path probe = folder / "probe";
  fs::create_directory(probe);
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  const bool kept = (GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove(probe);
  return kept;
}

#else

// The value kept in user.DOSATTRIB, or nothing when there is none.
std::optional<int> StoredValue(const fs::path& path) {
  char text[64] = {};
  const ssize_t size = lgetxattr(path.c_str(), "user.DOSATTRIB", text, sizeof text - 1);
  if (size < 0) return std::nullopt;
  const std::string value(text, static_cast<std::size_t>(size));
  if (value.rfind("0x", 0) != 0) return -1;
  return std::stoi(value.substr(2), nullptr, 16);
}

bool FolderAttributesKept(const fs::path&) { return true; }

bool ExtendedAttributesKept(const fs::path& folder) {
  const fs::path probe = folder / ".xattr-probe";
  std::ofstream(probe) << "x";
  const bool kept = lsetxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0 || errno != ENOTSUP;
  fs::remove(probe);
  return kept;
}

mode_t Mode(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

#endif

struct Expected {
  const char* path;
  int value;
};

class FolderAttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"web/Main.ASPX", "web/report.yrpt", "web/Lib.DLL", "web/setup.exe",
                             "web/web.config", "web/page.htm", "web/aspx", "web/dll",
                             "web/XLS/Main.aspx", "web/XLS/inner/Main.aspx",
                             "web/XLS/inner/web.config", "web/reportxls/web.config",
                             "web/reportxls/Lib.dll"}) {
      const fs::path path = tree_.File(file);
#ifndef _WIN32
      chmod(path.c_str(), 0664);  // group write, which release must not give back
#endif
    }
    tree_.Folder("web/empty");
#ifndef _WIN32
    for (const char* folder : {"web", "web/XLS", "web/XLS/inner", "web/reportxls", "web/empty"}) {
      chmod((tree_.root() / folder).c_str(), 0755);
    }
#endif
    xattr_ = ExtendedAttributesKept(tree_.root());
    folder_values_ = FolderAttributesKept(tree_.root());
  }

  std::u16string Web() const { return tree_.RootText() + u"\\web"; }

  void ExpectValues(std::initializer_list<Expected> expected) {
    for (const auto& e : expected) {
      const fs::path path = tree_.root() / e.path;
      SCOPED_TRACE(e.path);
      if (xattr_ && (folder_values_ || !fs::is_directory(path))) {
        EXPECT_EQ(StoredValue(path), e.value);
      }
#ifndef _WIN32
      if (fs::is_regular_file(path)) {
        if (e.value & 1) {
          EXPECT_EQ(Mode(path), 0444u) << "read-only clears every write bit";
        } else {
          EXPECT_EQ(Mode(path) & 0200u, 0200u) << "normal gives the owner write";
        }
      } else {
        EXPECT_EQ(Mode(path), 0755u) << "a folder's permissions stay";
      }
#endif
    }
  }

  TempTree tree_;
  bool xattr_ = true;
  bool folder_values_ = true;
};

TEST_F(FolderAttributesTest, ProtectFollowsTheFileAndFolderRules) {
  SetFolderAttributes(Web(), true);
  ExpectValues({{"web/Main.ASPX", 3},
                {"web/report.yrpt", 3},
                {"web/Lib.DLL", 3},
                {"web/setup.exe", 0},
                {"web/web.config", 1},
                {"web/page.htm", 1},
                {"web/aspx", 3},
                {"web/dll", 1},
                {"web/XLS", 1},
                {"web/XLS/Main.aspx", 0},
                {"web/XLS/inner", 1},
                {"web/XLS/inner/Main.aspx", 3},
                {"web/XLS/inner/web.config", 1},
                {"web/reportxls", 1},
                {"web/reportxls/web.config", 0},
                {"web/reportxls/Lib.dll", 0},
                {"web/empty", 1}});
#ifndef _WIN32
  // The folder named by the call is not written itself.
  if (xattr_) {
    EXPECT_EQ(StoredValue(tree_.root() / "web"), std::nullopt);
  }
#endif
}

TEST_F(FolderAttributesTest, ReleaseMakesEverythingNormalAndGivesOnlyTheOwnerWriteBack) {
  SetFolderAttributes(Web(), true);
  SetFolderAttributes(Web(), false);
  ExpectValues({{"web/Main.ASPX", 0},
                {"web/setup.exe", 0},
                {"web/web.config", 0},
                {"web/XLS", 0},
                {"web/XLS/inner/Main.aspx", 0},
                {"web/reportxls/Lib.dll", 0},
                {"web/empty", 0}});
#ifndef _WIN32
  EXPECT_EQ(Mode(tree_.root() / "web/Main.ASPX"), 0644u);
#endif
}

TEST_F(FolderAttributesTest, TrailingBackslashHidesTheXlsEndingOfTheFolderItself) {
  SetFolderAttributes(Web() + u"\\XLS\\", true);
  ExpectValues({{"web/XLS/Main.aspx", 3}, {"web/XLS/inner", 1}, {"web/XLS/inner/Main.aspx", 3}});
}

TEST_F(FolderAttributesTest, MissingFolderRaisesPathNotFoundNamingIt) {
  try {
    SetFolderAttributes(Web() + u"\\nowhere", true);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kPathNotFound);
    EXPECT_EQ(Utf8FromUtf16(error.description()).rfind("Path not found: ", 0), 0u)
        << error.what();
    EXPECT_NE(Utf8FromUtf16(error.description()).find("nowhere"), std::string::npos);
  }
}

#ifndef _WIN32

TEST_F(FolderAttributesTest, LinkToAFileOutsideTheTreeLeavesThatFileAlone) {
  const fs::path outside = tree_.File("outside/secret.txt");
  chmod(outside.c_str(), 0664);
  fs::create_symlink(outside, tree_.root() / "web/link.aspx");
  fs::create_directory_symlink(tree_.root() / "outside", tree_.root() / "web/linked-folder");
  SetFolderAttributes(Web(), true);
  EXPECT_EQ(Mode(outside), 0664u);
  EXPECT_EQ(StoredValue(outside), std::nullopt);
  EXPECT_EQ(StoredValue(tree_.root() / "outside"), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(tree_.root() / "web/link.aspx"));
}

TEST_F(FolderAttributesTest, LinkCycleEnds) {
  fs::create_directory_symlink("..", tree_.root() / "web/XLS/inner/up");
  fs::create_directory_symlink(tree_.root() / "web", tree_.root() / "web/XLS/top");
  SetFolderAttributes(Web(), true);
  ExpectValues({{"web/XLS/inner/Main.aspx", 3}});
}

// The immutable flag binds even the superuser that tests may run as.
TEST(FolderAttributesFailureTest, RefusedWriteEndsTheWalkAndKeepsWhatWasWritten) {
  TempTree tree;
  tree.File("web/a.txt");
  const fs::path refused = tree.File("web/sub/b.aspx");
  tree.File("web/sub/deeper/c.txt");
  if (std::system(("chattr +i '" + refused.string() + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no immutable files here";
  }
  try {
    SetFolderAttributes(tree.RootText() + u"\\web", true);
    ADD_FAILURE() << "nothing raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), err::kPermissionDenied);
    EXPECT_EQ(error.description(), u"Permission denied: " + Utf16FromUtf8(refused.string()));
  }
  static_cast<void>(std::system(("chattr -i '" + refused.string() + "'").c_str()));
  EXPECT_EQ(Mode(tree.root() / "web/a.txt") & 0222u, 0u) << "written before the failure";
  EXPECT_EQ(StoredValue(tree.root() / "web/sub"), 1);
  EXPECT_EQ(StoredValue(refused), std::nullopt);
  EXPECT_EQ(StoredValue(tree.root() / "web/sub/deeper"), std::nullopt);
  EXPECT_EQ(StoredValue(tree.root() / "web/sub/deeper/c.txt"), std::nullopt);
}

TEST_F(FolderAttributesTest, WalkCanStartAtALinkToTheFolder) {
  fs::create_directory_symlink(tree_.root() / "web", tree_.root() / "web-link");
  SetFolderAttributes(tree_.RootText() + u"\\web-link", true);
  ExpectValues({{"web/Main.ASPX", 3}, {"web/XLS/Main.aspx", 0}});
}

#endif

}  // namespace
}  // namespace duza::hostprep
