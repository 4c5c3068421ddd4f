#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrovane::cli {

// `help [SUBCOMMAND...]` as the subcommand's own `--help`: the arguments
// with `help` taken out and `--help` put after the subcommand's words.
// Others are left as they are.
void TurnHelpIntoOption(std::vector<std::string>& arguments);

// For arguments whose subcommand (or `reg`'s and `image`'s second word) is
// none the program knows: the message that names it and suggests the
// nearest known one ("Unknown subcommand: uplod. Did you mean upload?").
std::optional<std::string> UnknownSubcommandMessage(const std::vector<std::string>& arguments);

}  // namespace kestrovane::cli
