// A throwaway web directory whose web.config carries a connection string in its encoded
// form, the way the web application keeps it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "tests/settings/scripted_random_source.h"

namespace duza::testing {

class TempWebDirectory {
 public:
  explicit TempWebDirectory(std::u16string_view connection_string) {
    std::random_device entropy;
    path_ = std::filesystem::temp_directory_path() /
            ("duza-web-" + std::to_string(entropy()) + std::to_string(entropy()));
    std::filesystem::create_directories(path_);
    WriteWebConfig(connection_string);
  }
  ~TempWebDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempWebDirectory(const TempWebDirectory&) = delete;
  TempWebDirectory& operator=(const TempWebDirectory&) = delete;

  // An application's web.config: the entry among others, CR LF line ends.
  void WriteWebConfig(std::u16string_view connection_string) const {
    std::ofstream(path_ / "web.config", std::ios::binary)
        << "<?xml version=\"1.0\"?>\r\n<configuration>\r\n  <appSettings>\r\n"
        << "    <add key=\"Theme\" value=\"Blue\" />\r\n"
        << "    <add key=\"VAREDO\" value=\""
        << Utf8FromUtf16(EncodeWith(connection_string, 7, 42)) << "\" />\r\n"
        << "  </appSettings>\r\n</configuration>\r\n";
  }

  const std::filesystem::path& path() const { return path_; }
  // The directory as typed into the window, with the trailing backslash users often type.
  std::u16string Typed() const { return Utf16FromUtf8(path_.string()) + u"\\"; }

 private:
  std::filesystem::path path_;
};

}  // namespace duza::testing
