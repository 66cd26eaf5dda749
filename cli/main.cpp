#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/subcommand.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/text.h"
#endif

namespace {

// The arguments as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  // The C runtime hands main its arguments in the ANSI code page, which loses every
  // character outside it; the wide command line keeps them all.
  struct LocalFreeDeleter {
    void operator()(LPWSTR* block) const { LocalFree(block); }
  };
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(
      CommandLineToArgvW(GetCommandLineW(), &count));
  if (wide) {
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
      const auto* text = reinterpret_cast<const char16_t*>(wide.get()[i]);
      args.push_back(duza::Utf8FromUtf16(text));
    }
    return args;
  }
#endif
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = Arguments(argc, argv);
  duza::cli::Streams streams{std::cin, std::cout, std::cerr};
  return duza::cli::RunCli(args, streams);
}
