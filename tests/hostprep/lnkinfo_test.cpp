// The link file as an independent reader sees it: lnkinfo (Debian's liblnk-utils), which
// knows the published format and nothing of our writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "hostprep/shortcut.h"
#include "platform/text.h"
#include "tests/hostprep/temp_tree.h"

namespace duza::hostprep {
namespace {

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  return text;
}

// lnkinfo prints "Name\t\t\t: value"; the value of the first line with that name.
std::string Field(const std::string& output, const std::string& name) {
  const std::size_t at = output.find("\t" + name + "\t");
  if (at == std::string::npos) return "<missing>";
  const std::size_t colon = output.find(": ", at);
  const std::size_t end = output.find('\n', colon);
  return output.substr(colon + 2, end - colon - 2);
}

TEST(LnkinfoTest, ReadsDescriptionAndTargetOfTheDesktopShortcut) {
  duza::testing::TempTree tree;
  CreateDesktopShortcut(Utf16FromUtf8(tree.root().string()));
  const std::string output = Output("lnkinfo '" + (tree.root() / "DUZA.lnk").string() + "' 2>&1");
  SCOPED_TRACE(output);
  EXPECT_NE(output.find("Contains a description string"), std::string::npos);
  EXPECT_NE(output.find("Contains an environment variables block"), std::string::npos);
  EXPECT_EQ(Field(output, "Description"), "ShellLink Sample");
  EXPECT_EQ(Field(output, "Relative path"), "http://localhost/default.htm");
  EXPECT_EQ(Field(output, "Environment variables location"), "http://localhost/default.htm");
  // lnkinfo 20181227 labels the header's file size field "Show Window value", so the show
  // command cannot be read through it; the header bytes are checked in
  // shell_link_format_test.cpp and by the system's own object in lnk_interop_test.sh.
  EXPECT_EQ(Field(output, "File size"), "0 bytes");
}

}  // namespace
}  // namespace duza::hostprep
