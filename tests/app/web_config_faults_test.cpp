// The update run when web.config is no web.config: a folder in its place, a huge file, a
// file of random bytes, NUL bytes. Each run ends on the failure branch with the reason as
// its status line, never connects, and reading a huge file keeps memory bounded.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/update_run.h"
#include "platform/text.h"
#include "settings/codec.h"
#include "tests/app/recording_view.h"
#include "tests/db/run_harness.h"

namespace duza {
namespace {

namespace fs = std::filesystem;
using testing::RecordingView;
using testing::TempFolder;

std::string Utf8(std::u16string_view text) { return Utf8FromUtf16(text); }

constexpr std::size_t kHugeSize = 50u << 20;  // 50 MiB

// A real web.config entry whose connection string points nowhere that matters: the run
// must fail before it would connect.
std::string VaredoEntry() {
  struct MiddleDraws : RandomSource {
    double NextUnit() override { return 0.5; }
  } draws;
  return "<add key=\"VAREDO\" value=\"" +
         Utf8(EncodeConnectionString(
             u"Provider=SQLOLEDB.1;Data Source=DBHOST;Initial Catalog=DUZA;User ID=a;Password=b;",
             draws)) +
         "\" />\r\n";
}

std::string RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);  // the same bytes on every run
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

std::string Utf16LittleEndian(const std::string& ascii) {
  std::string bytes;
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A web.config of `kHugeSize` bytes: the entry behind 50 MiB of comment, as a file that
// grew by accident might look.
void WriteHugeWebConfig(const fs::path& folder) {
  std::ofstream out(folder / "web.config", std::ios::binary);
  out << "<configuration>\r\n<!--";
  const std::string entry = VaredoEntry();
  const std::string line(1023, 'x');
  std::size_t written = 19;
  while (written + 1024 + entry.size() + 32 < kHugeSize) {
    out << line << '\n';
    written += 1024;
  }
  out << "-->\r\n" << entry << "</configuration>\r\n";
}

struct WebConfigCase {
  const char* name;
  std::function<void(const fs::path& folder)> make;  // puts web.config into the folder
  // The status line; "{path}" stands for the path of web.config.
  std::string status;
};

void PrintTo(const WebConfigCase& c, std::ostream* os) { *os << c.name; }

class WebConfigFaultTest : public ::testing::TestWithParam<WebConfigCase> {};

TEST_P(WebConfigFaultTest, RunFailsWithTheReasonAndNeverConnects) {
  const TempFolder folder("web-config-fault");
  GetParam().make(folder.path());

  RecordingView view;
  view.web_directory = Utf16FromUtf8(folder.path().string()) + u"\\";
  int connections = 0;
  const UpdateOutcome outcome = RunSchemaUpdate(view, [&]() -> std::unique_ptr<Connection> {
    ++connections;
    return nullptr;
  });

  std::string status = GetParam().status;
  if (const auto at = status.find("{path}"); at != std::string::npos) {
    status.replace(at, 6, (folder.path() / "web.config").string());
  }
  EXPECT_EQ(outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(connections, 0);
  std::vector<std::string> events;
  for (const auto& event : view.events) events.push_back(Utf8(event));
  EXPECT_EQ(events, (std::vector<std::string>{"width:6735", "enable StatusBox", "status:" + status,
                                              "arrow", "enable Command2",
                                              "message:Update NOT successful. Contact Admin!"}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WebConfigFaultTest,
    ::testing::Values(
        WebConfigCase{"Folder",
                      [](const fs::path& folder) { fs::create_directory(folder / "web.config"); },
                      "Path/File access error: {path} is a directory"},
        WebConfigCase{"Empty", [](const fs::path& folder) { WriteFile(folder / "web.config", ""); },
                      "Input past end of file"},
        // The entry lies beyond the 16-bit positions the entry's arithmetic counts in.
        WebConfigCase{"FiftyMebibytes", WriteHugeWebConfig, "Overflow"},
        WebConfigCase{"RandomBytes",
                      [](const fs::path& folder) {
                        WriteFile(folder / "web.config", RandomBytes(64 << 10, 20261211));
                      },
                      "Invalid procedure call or argument"},
        WebConfigCase{"NulBytesOnly",
                      [](const fs::path& folder) {
                        WriteFile(folder / "web.config", std::string(4096, '\0'));
                      },
                      "Invalid procedure call or argument"},
        // Saved by an editor as UTF-16: a NUL byte after every character.
        WebConfigCase{"SavedAsUtf16",
                      [](const fs::path& folder) {
                        WriteFile(folder / "web.config",
                                  "\xFF\xFE" + Utf16LittleEndian("<configuration>\r\n" +
                                                                 VaredoEntry() +
                                                                 "</configuration>\r\n"));
                      },
                      "Invalid procedure call or argument"},
        // A NUL byte inside the encoded value, where the decoder reads digits.
        WebConfigCase{"NulInsideTheValue",
                      [](const fs::path& folder) {
                        std::string entry = VaredoEntry();
                        entry[entry.find("value=\"") + 20] = '\0';
                        WriteFile(folder / "web.config", "<configuration>\r\n" + entry);
                      },
                      "Type mismatch"}),
    [](const auto& info) { return std::string(info.param.name); });

// The command-line program reading the 50 MiB file: its peak memory grows by less than
// ten times the file's size over a run that finds no web.config at all.
TEST(WebConfigMemoryTest, HugeFileIsReadInBoundedMemory) {
  const TempFolder missing("web-config-missing");
  const TempFolder huge("web-config-huge");
  WriteHugeWebConfig(huge.path());
  ASSERT_GE(fs::file_size(huge.path() / "web.config"), kHugeSize - 4096);

  const testing::ProgramRun baseline =
      testing::RunCliProgram({"update", "--web-dir", missing.path().string()}, "");
  const testing::ProgramRun run =
      testing::RunCliProgram({"update", "--web-dir", huge.path().string()}, "");
  EXPECT_EQ(baseline.out, "File not found\nUpdate NOT successful. Contact Admin!\n");
  EXPECT_EQ(run.out, "Overflow\nUpdate NOT successful. Contact Admin!\n");
  EXPECT_EQ(run.exit_code, 1);
  const long growth_kib = run.peak_memory_kib - baseline.peak_memory_kib;
  EXPECT_LT(growth_kib, 10 * static_cast<long>(kHugeSize >> 10))
      << "peak " << run.peak_memory_kib << " KiB against " << baseline.peak_memory_kib << " KiB";
}

}  // namespace
}  // namespace duza
