#include <iostream>
#include <string>
#include <vector>

#include "cli/subcommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  duza::cli::Streams streams{std::cin, std::cout, std::cerr};
  return duza::cli::RunCli(args, streams);
}
