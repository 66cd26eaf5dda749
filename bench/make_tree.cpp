// Makes a tree of folders and files for timing the attribute walk: FOLDERS folders below
// DIR (ten per folder level-wise, so the walk goes several levels deep) holding FILES files
// between them, named with the endings that the walk's file rule tells apart.
//
//   duza_make_tree DIR FOLDERS FILES
//
// DIR must not exist yet. Files are small (a few bytes), like the scripts and pages of a
// web site; the walk never reads them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::array<const char*, 8> kEndings{".aspx", ".dll", ".exe", ".html",
                                              ".js",   ".css", ".yrpt", ".txt"};
constexpr int kChildrenPerFolder = 10;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "duza_make_tree: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

long Count(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || value < 0 || value > 10'000'000) {
    std::fprintf(stderr, "duza_make_tree: not a count: %s\n", text);
    std::exit(2);
  }
  return value;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: duza_make_tree DIR FOLDERS FILES\n");
    return 2;
  }
  const std::string root = argv[1];
  const long folders = Count(argv[2]);
  const long files = Count(argv[3]);
  if (mkdir(root.c_str(), 0755) != 0) Fail(root);

  // Breadth-first: folder i's parent is folder (i - 1) / 10, the root for the first ten.
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(folders));
  for (long i = 0; i < folders; ++i) {
    const std::string& parent =
        i < kChildrenPerFolder ? root : paths[static_cast<std::size_t>(i / kChildrenPerFolder - 1)];
    paths.push_back(parent + "/folder" + std::to_string(i));
    if (mkdir(paths.back().c_str(), 0755) != 0) Fail(paths.back());
  }
  static const char kContent[] = "<%@ Page %>\n";
  for (long i = 0; i < files; ++i) {
    const std::string& folder = folders == 0 ? root : paths[static_cast<std::size_t>(i % folders)];
    const std::string path = folder + "/file" + std::to_string(i) + kEndings[i % kEndings.size()];
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) Fail(path);
    if (write(fd, kContent, sizeof kContent - 1) != static_cast<ssize_t>(sizeof kContent - 1)) {
      Fail(path);
    }
    close(fd);
  }
  return 0;
}
