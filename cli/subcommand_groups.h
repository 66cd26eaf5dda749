// The groups of subcommands the program offers, in the order --help lists them.
#pragma once

#include <vector>

#include "cli/subcommand.h"

namespace duza::cli {

using SubcommandGroup = std::vector<Subcommand> (*)();

std::vector<SubcommandGroup> SubcommandGroups();

}  // namespace duza::cli
