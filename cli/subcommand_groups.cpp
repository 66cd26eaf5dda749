#include "cli/subcommand_groups.h"

namespace duza::cli {

// Each group is defined in its own file.
std::vector<Subcommand> UpdateCommands();              // update_command.cpp
std::vector<Subcommand> CodecCommands();               // codec_commands.cpp
std::vector<Subcommand> HostprepCommands();  // hostprep_commands.cpp

std::vector<SubcommandGroup> SubcommandGroups() {
  return {
      UpdateCommands,
      CodecCommands,
      HostprepCommands,
  };
}

}  // namespace duza::cli
