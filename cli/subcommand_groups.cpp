#include "cli/subcommand_groups.h"

namespace duza::cli {

// Each group is defined in its own file.
std::vector<Subcommand> HostPreparationSubcommands();

std::vector<SubcommandGroup> SubcommandGroups() {
  return {
      HostPreparationSubcommands,
  };
}

}  // namespace duza::cli
