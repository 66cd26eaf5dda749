#include "tests/db/run_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <thread>

#include "platform/text.h"
#include "settings/codec.h"

namespace duza::testing {
namespace {

namespace fs = std::filesystem;

struct MiddleDraws : RandomSource {
  double NextUnit() override { return 0.5; }
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TempFolder::TempFolder(std::string_view purpose) {
  std::random_device entropy;
  path_ = fs::temp_directory_path() /
          ("duza-" + std::string(purpose) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(entropy()));
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteWebConfig(const fs::path& folder, std::u16string_view stored) {
  MiddleDraws draws;
  std::ofstream(folder / "web.config", std::ios::binary)
      << "<?xml version=\"1.0\"?>\r\n<configuration>\r\n  <appSettings>\r\n"
      << "    <add key=\"CLIENT\" value=\"VIVI\" />\r\n"
      << "    <add key=\"VAREDO\" value=\"" << Utf8FromUtf16(EncodeConnectionString(stored, draws))
      << "\" />\r\n  </appSettings>\r\n</configuration>\r\n";
}

std::u16string StoredMariaDbString(int port, std::u16string_view extra) {
  return u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=" +
         Utf16FromUtf8(std::to_string(port)) + u";Database=VIVI;" + std::u16string(extra) +
         u"User ID=stored_user;Password=stored-password;";
}

void EndsWithin(std::chrono::seconds limit, const std::function<void()>& run,
                std::string_view what) {
  std::packaged_task<void()> task(run);
  std::future<void> ended = task.get_future();
  std::thread runner(std::move(task));
  if (ended.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "FAILED: %.*s did not end within %lld s: it hangs\n",
                 static_cast<int>(what.size()), what.data(),
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(1);
  }
  runner.join();
  ended.get();  // a failure of the run's own reaches the test
}

ProgramRun RunCliProgram(const std::vector<std::string>& args, const std::string& input,
                         std::chrono::seconds limit) {
  const TempFolder files("cli-run");
  const fs::path in = files.path() / "in";
  const fs::path out = files.path() / "out";
  const fs::path err = files.path() / "err";
  std::ofstream(in, std::ios::binary) << input;

  std::vector<std::string> words{DUZA_CLI_PROGRAM};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    const int in_fd = open(in.c_str(), O_RDONLY);
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0 || dup2(in_fd, 0) < 0 || dup2(out_fd, 1) < 0 ||
        dup2(err_fd, 2) < 0) {
      _exit(127);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  ProgramRun run;
  if (pid < 0) {
    ADD_FAILURE() << "cannot start " << words[0];
    return run;
  }
  int status = 0;
  rusage usage{};
  const auto deadline = std::chrono::steady_clock::now() + limit;
  pid_t ended = 0;
  while ((ended = wait4(pid, &status, WNOHANG, &usage)) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      ended = wait4(pid, &status, 0, &usage);
      ADD_FAILURE() << "the program did not end within " << limit.count() << " s: it hangs";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended != pid) {
    ADD_FAILURE() << "cannot wait for " << words[0];
    return run;
  }
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  run.peak_memory_kib = usage.ru_maxrss;  // Linux counts it in KiB
  return run;
}

}  // namespace duza::testing
