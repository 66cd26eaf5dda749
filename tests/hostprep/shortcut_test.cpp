#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostprep/shortcut.h"
#include "platform/error.h"
#include "platform/shell_link.h"
#include "platform/shell_link_format.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/hostprep/temp_tree.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#endif

namespace duza::hostprep {
namespace {

namespace fs = std::filesystem;
using duza::testing::TempTree;

// --- the link file's name ----------------------------------------------------------------

struct FileNameCase {
  const char* name;
  std::u16string folder;
  std::u16string link_file;
};

class DesktopShortcutFileTest : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(DesktopShortcutFileTest, AppendsTheNameWithItsBackslashAndNothingElse) {
  EXPECT_EQ(Utf8FromUtf16(DesktopShortcutFile(GetParam().folder)),
            Utf8FromUtf16(GetParam().link_file));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesktopShortcutFileTest,
    ::testing::Values(
        FileNameCase{"PublicDesktop", u"C:\\Users\\Public\\Desktop",
                     u"C:\\Users\\Public\\Desktop\\DUZA.lnk"},
        FileNameCase{"TrailingBackslash", u"C:\\Users\\Public\\Desktop\\",
                     u"C:\\Users\\Public\\Desktop\\\\DUZA.lnk"},
        FileNameCase{"EmptyFolder", u"", u"\\DUZA.lnk"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the calls, against a link object that records them -------------------------------------

// Stands in for the shell link object: records every call and fails the one named.
class RecordingLink final : public ShellLink {
 public:
  RecordingLink(std::vector<std::string>& calls, std::string failing, bool throws)
      : calls_(calls), failing_(std::move(failing)), throws_(throws) {}

  HResult SetPath(std::u16string_view path) override { return Call("SetPath", path); }
  HResult SetWorkingDirectory(std::u16string_view folder) override {
    return Call("SetWorkingDirectory", folder);
  }
  HResult SetArguments(std::u16string_view arguments) override {
    return Call("SetArguments", arguments);
  }
  HResult SetDescription(std::u16string_view description) override {
    return Call("SetDescription", description);
  }
  HResult SetIconLocation(std::u16string_view icon_file, std::int32_t index) override {
    return Call("SetIconLocation", std::u16string(icon_file) + u"," +
                                       Utf16FromUtf8(std::to_string(index)));
  }
  HResult SetShowCmd(std::int32_t show_command) override {
    return Call("SetShowCmd", Utf16FromUtf8(std::to_string(show_command)));
  }
  HResult Resolve(std::intptr_t owner_window, std::uint32_t flags) override {
    return Call("Resolve", Utf16FromUtf8(std::to_string(owner_window) + "," +
                                         std::to_string(flags)));
  }
  HResult Save(std::u16string_view file, bool remember) override {
    return Call("Save", std::u16string(file) + (remember ? u",1" : u",0"));
  }

 private:
  HResult Call(const std::string& method, std::u16string_view argument) {
    calls_.push_back(method + "(" + Utf8FromUtf16(argument) + ")");
    if (method != failing_) return kSOk;
    if (throws_) throw std::runtime_error("broken");
    return kEFail;
  }

  std::vector<std::string>& calls_;
  std::string failing_;
  bool throws_;
};

class ShortcutCallsTest : public ::testing::Test {
 protected:
  ShellLinkFactory Factory(std::string failing = {}, bool throws = false) {
    return [this, failing, throws]() -> std::unique_ptr<ShellLink> {
      ++created_;
      return std::make_unique<RecordingLink>(calls_, failing, throws);
    };
  }

  std::vector<std::string> calls_;
  int created_ = 0;
};

TEST_F(ShortcutCallsTest, DesktopShortcutSetsPathDescriptionShowCommandOnly) {
  CreateDesktopShortcut(u"C:\\Users\\Public\\Desktop", Factory());
  const std::vector<std::string> expected{
      "SetPath(http://localhost/default.htm)", "SetDescription(ShellLink Sample)",
      "SetShowCmd(3)", "Resolve(0,4)", "Save(C:\\Users\\Public\\Desktop\\DUZA.lnk,0)"};
  EXPECT_EQ(calls_, expected);
}

TEST_F(ShortcutCallsTest, EveryNonEmptyTextIsSetInOrder) {
  EXPECT_TRUE(CreateShortcut(u"C:\\l.lnk", u"C:\\app.exe", u"C:\\work", u"/x", u"C:\\app.ico", 2,
                             7, Factory()));
  const std::vector<std::string> expected{
      "SetPath(C:\\app.exe)",    "SetWorkingDirectory(C:\\work)",   "SetArguments(/x)",
      "SetDescription(ShellLink Sample)", "SetIconLocation(C:\\app.ico,2)", "SetShowCmd(7)",
      "Resolve(0,4)",            "Save(C:\\l.lnk,0)"};
  EXPECT_EQ(calls_, expected);
}

struct EmptyCase {
  const char* name;
  std::u16string link_file;
  std::u16string target;
};

class ShortcutEmptyTest : public ShortcutCallsTest,
                          public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(ShortcutEmptyTest, ReturnsFalseBeforeAnyObjectExists) {
  EXPECT_FALSE(CreateShortcut(GetParam().link_file, GetParam().target, u"", u"", u"", 0, 3,
                              Factory()));
  EXPECT_EQ(created_, 0);
  EXPECT_TRUE(calls_.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortcutEmptyTest,
                         ::testing::Values(EmptyCase{"EmptyLinkFile", u"", u"http://x/"},
                                           EmptyCase{"EmptyTarget", u"C:\\l.lnk", u""},
                                           EmptyCase{"BothEmpty", u"", u""}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailingStepCase {
  const char* name;
  const char* step;
  bool throws;
  std::size_t calls_made;  // including the failing one
};

class ShortcutFailingStepTest : public ShortcutCallsTest,
                                public ::testing::WithParamInterface<FailingStepCase> {};

TEST_P(ShortcutFailingStepTest, ReturnsFalseAndSkipsTheRemainingSteps) {
  const auto& c = GetParam();
  EXPECT_FALSE(CreateShortcut(u"C:\\l.lnk", u"C:\\app.exe", u"C:\\work", u"/x", u"C:\\app.ico", 0,
                              3, Factory(c.step, c.throws)));
  ASSERT_EQ(calls_.size(), c.calls_made);
  EXPECT_EQ(calls_.back().rfind(c.step, 0), 0u) << calls_.back();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ShortcutFailingStepTest,
    ::testing::Values(FailingStepCase{"SetPath", "SetPath", false, 1},
                      FailingStepCase{"SetWorkingDirectory", "SetWorkingDirectory", false, 2},
                      FailingStepCase{"SetArguments", "SetArguments", false, 3},
                      FailingStepCase{"SetDescription", "SetDescription", false, 4},
                      FailingStepCase{"SetIconLocation", "SetIconLocation", false, 5},
                      FailingStepCase{"SetShowCmd", "SetShowCmd", false, 6},
                      FailingStepCase{"Resolve", "Resolve", false, 7},
                      FailingStepCase{"Save", "Save", false, 8},
                      FailingStepCase{"ResolveThrowing", "Resolve", true, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShortcutCallsTest, ObjectThatCannotBeCreatedGivesFalse) {
  const ShellLinkFactory failing = []() -> std::unique_ptr<ShellLink> {
    Raise(err::kCannotCreateObject);
  };
  EXPECT_FALSE(CreateShortcut(u"C:\\l.lnk", u"http://x/", u"", u"", u"", 0, 3, failing));
}

// --- the real object ---------------------------------------------------------------------

// The real link object with Resolve failing: a step that fails before Save.
class ResolveFails final : public ShellLink {
 public:
  ResolveFails() : real_(CreateShellLink()) {}
  HResult SetPath(std::u16string_view v) override { return real_->SetPath(v); }
  HResult SetWorkingDirectory(std::u16string_view v) override {
    return real_->SetWorkingDirectory(v);
  }
  HResult SetArguments(std::u16string_view v) override { return real_->SetArguments(v); }
  HResult SetDescription(std::u16string_view v) override { return real_->SetDescription(v); }
  HResult SetIconLocation(std::u16string_view v, std::int32_t i) override {
    return real_->SetIconLocation(v, i);
  }
  HResult SetShowCmd(std::int32_t v) override { return real_->SetShowCmd(v); }
  HResult Resolve(std::intptr_t, std::uint32_t) override { return kEFail; }
  HResult Save(std::u16string_view f, bool r) override { return real_->Save(f, r); }

 private:
  std::unique_ptr<ShellLink> real_;
};

std::u16string Text(const fs::path& path) { return TextOfPath(path); }

bool FolderIsEmpty(const fs::path& folder) { return fs::is_empty(folder); }

TEST(RealShortcutTest, DesktopShortcutIsWrittenWithDescriptionTargetAndMaximizedWindow) {
  TempTree tree;
  CreateDesktopShortcut(tree.RootText());
  const fs::path file = tree.root() / "DUZA.lnk";
  ASSERT_TRUE(fs::exists(file));
  const ShellLinkData link = DecodeShellLink(duza::testing::ReadAll(file));
  EXPECT_EQ(Utf8FromUtf16(link.description), "ShellLink Sample");
  EXPECT_EQ(link.show_command, 3);
  EXPECT_TRUE(link.working_directory.empty());
  EXPECT_TRUE(link.arguments.empty());
#ifdef _WIN32
  // The system's own object decides how it stores a web address (the emulator turns it into
  // a file path); what it gives back is checked below through the object itself.
  EXPECT_NE(Utf8FromUtf16(link.target).find("default.htm"), std::string::npos);
#else
  EXPECT_TRUE(link.icon_location.empty());
  EXPECT_EQ(Utf8FromUtf16(link.target), "http://localhost/default.htm");
  EXPECT_EQ(link.flags & kLinkHasTargetIdList, 0u);
#endif
}

TEST(RealShortcutTest, ExistingLinkFileIsReplacedWhole) {
  TempTree tree;
  tree.File("DUZA.lnk", std::string(5000, 'x'));
  CreateDesktopShortcut(tree.RootText());
  const ShellLinkData link = DecodeShellLink(duza::testing::ReadAll(tree.root() / "DUZA.lnk"));
  EXPECT_EQ(Utf8FromUtf16(link.description), "ShellLink Sample");
  EXPECT_EQ(std::distance(fs::directory_iterator(tree.root()), fs::directory_iterator()), 1);
}

TEST(RealShortcutTest, FailingResolveReturnsFalseAndWritesNothing) {
  TempTree tree;
  const ShellLinkFactory factory = [] { return std::make_unique<ResolveFails>(); };
  EXPECT_FALSE(CreateShortcut(Text(tree.root() / "DUZA.lnk"), kShortcutTarget, u"", u"", u"", 0,
                              kShowMaximized, factory));
  EXPECT_TRUE(FolderIsEmpty(tree.root()));
}

TEST(RealShortcutTest, MissingFolderReturnsFalseAndWritesNothing) {
  TempTree tree;
  EXPECT_FALSE(CreateShortcut(Text(tree.root() / "missing" / "DUZA.lnk"), kShortcutTarget, u"",
                              u"", u"", 0, kShowMaximized));
  EXPECT_TRUE(FolderIsEmpty(tree.root()));
}

TEST(RealShortcutTest, AllTextsAreStored) {
  TempTree tree;
  const fs::path file = tree.root() / "all.lnk";
  ASSERT_TRUE(CreateShortcut(Text(file), u"C:\\Windows\\notepad.exe", u"C:\\Temp", u"/a b",
                             u"C:\\Windows\\notepad.exe", 1, 7));
  const ShellLinkData link = DecodeShellLink(duza::testing::ReadAll(file));
  EXPECT_EQ(Utf8FromUtf16(link.working_directory), "C:\\Temp");
  EXPECT_EQ(Utf8FromUtf16(link.arguments), "/a b");
  EXPECT_EQ(Utf8FromUtf16(link.icon_location), "C:\\Windows\\notepad.exe");
  EXPECT_EQ(link.icon_index, 1);
  EXPECT_EQ(link.show_command, 7);
}

// The object's texts are C strings, as through IShellLinkA: each ends at its first NUL.
TEST(RealShortcutTest, TextsEndAtTheirFirstNul) {
  TempTree tree;
  const fs::path file = tree.root() / "cut.lnk";
  ASSERT_TRUE(CreateShortcut(Text(file), u"C:\\Windows\\notepad.exe",
                             std::u16string(u"C:\\Temp\0D:\\", 10), std::u16string(u"/a\0/b", 5),
                             u"", 0, 7));
  const ShellLinkData link = DecodeShellLink(duza::testing::ReadAll(file));
  EXPECT_EQ(Utf8FromUtf16(link.working_directory), "C:\\Temp");
  EXPECT_EQ(Utf8FromUtf16(link.arguments), "/a");
}

#ifdef _WIN32

TEST(RealShortcutTest, SystemObjectReadsBackTheDescription) {
  TempTree tree;
  CreateDesktopShortcut(tree.RootText());
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&link))));
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::wstring name = (tree.root() / "DUZA.lnk").wstring();
    EXPECT_TRUE(SUCCEEDED(file->Load(name.c_str(), STGM_READ)));
    char text[1024] = {};
    EXPECT_TRUE(SUCCEEDED(link->GetDescription(text, sizeof text)));
    EXPECT_STREQ(text, "ShellLink Sample");
    file->Release();
    link->Release();
  }
  CoUninitialize();
}

#else

TEST(RealShortcutTest, TextsPassThroughTheAnsiCodePage) {
  TempTree tree;
  const fs::path file = tree.root() / "ansi.lnk";
  ASSERT_TRUE(CreateShortcut(Text(file), u"http://localhost/default.htm", u"", u"\u0151\u20AC",
                             u"", 0, 3));
  EXPECT_EQ(DecodeShellLink(duza::testing::ReadAll(file)).arguments, u"?\u20AC");
}

TEST(RealShortcutTest, TargetLongerThanTheFormatHoldsReturnsFalse) {
  TempTree tree;
  EXPECT_FALSE(CreateShortcut(Text(tree.root() / "long.lnk"), std::u16string(260, u'a'), u"", u"",
                              u"", 0, 3));
  EXPECT_TRUE(FolderIsEmpty(tree.root()));
}

#endif

}  // namespace
}  // namespace duza::hostprep
