#include "cli/subcommand_groups.h"

namespace duza::cli {

// Each group is defined in its own file.

std::vector<SubcommandGroup> SubcommandGroups() {
  return {
  };
}

}  // namespace duza::cli
