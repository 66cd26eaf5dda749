// What the suites that drive whole update runs against real drivers share: a temporary
// folder with a web.config in it, a guard that turns a run that never ends into a failure
// instead of a stuck test, and runs of the command-line program as a user starts it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace duza::testing {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(std::string_view purpose);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes `folder`/web.config with `stored` in the encoded form as the VAREDO value, laid
// out as the web application keeps it.
void WriteWebConfig(const std::filesystem::path& folder, std::u16string_view stored);

// "Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=N;Database=VIVI;"
// followed by `extra` and stored credentials that every run replaces.
std::u16string StoredMariaDbString(int port, std::u16string_view extra = {});

// Runs `run` on a thread of its own and waits for it at most `limit`. A run still going
// then hangs: the failure is written to standard error and the test program ends at once,
// since a stuck driver call cannot be taken back. Returns normally only when `run` ended.
void EndsWithin(std::chrono::seconds limit, const std::function<void()>& run,
                std::string_view what);

struct ProgramRun {
  int exit_code = -1;       // -1: ended by a signal
  std::string out;          // standard output
  std::string err;          // standard error
  long peak_memory_kib = 0; // the program's peak resident size
};

// Runs the command-line program with `args`, `input` on its standard input, and waits for
// it (at most `limit`, then it is killed and the test fails).
ProgramRun RunCliProgram(const std::vector<std::string>& args, const std::string& input,
                         std::chrono::seconds limit = std::chrono::seconds(60));

}  // namespace duza::testing
