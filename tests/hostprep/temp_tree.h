// A temporary folder for one test, removed with everything in it when the test ends
// (write permissions are given back first, since tests make files read-only).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"

namespace duza::testing {

class TempTree {
 public:
  TempTree() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      root_ = base / ("duza-hostprep-" + std::to_string(random()));
      if (std::filesystem::create_directory(root_)) return;
    }
    ADD_FAILURE() << "no temporary folder could be made in " << base;
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;
  ~TempTree() {
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink()) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::remove_all(root_, ignored);
  }

  const std::filesystem::path& root() const { return root_; }

  // The root as the text the routines take (native form).
  std::u16string RootText() const { return TextOfPath(root_); }

  std::filesystem::path File(const std::filesystem::path& relative,
                             const std::string& content = "content") const {
    const auto path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::filesystem::path Folder(const std::filesystem::path& relative) const {
    const auto path = root_ / relative;
    std::filesystem::create_directories(path);
    return path;
  }

 private:
  std::filesystem::path root_;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace duza::testing
