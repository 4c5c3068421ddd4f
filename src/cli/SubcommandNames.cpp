#include "cli/SubcommandNames.h"

#include <algorithm>
#include <string_view>

namespace kestrovane::cli {

namespace {

const std::vector<std::string> kCommands{"list",  "upload", "verify", "auto", "version",
                                         "erase", "reg",    "image",  "help"};
const std::vector<std::string> kRegisterActions{"read", "write", "dump", "load"};
const std::vector<std::string> kImageActions{"show", "set", "check"};

// Global options that take the next argument as their value.
bool TakesValue(std::string_view option) {
    return option == "--simulate-cameras";
}

// Where the words that are not options stand, up to `count` of them.
std::vector<std::size_t> Words(const std::vector<std::string>& arguments, std::size_t count) {
    std::vector<std::size_t> words;
    for (std::size_t k = 0; k < arguments.size() && words.size() < count; ++k) {
        const std::string& argument = arguments[k];
        if (argument.starts_with("-")) {
            if (TakesValue(argument)) ++k;
            continue;
        }
        words.push_back(k);
    }
    return words;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Unknown(const std::string& what, const std::string& word,
                    const std::vector<std::string>& known) {
    std::string message = "Unknown " + what + ": " + word + ".";
    const auto nearest = std::min_element(known.begin(), known.end(), [&](const auto& a, const auto& b) {
        return EditDistance(word, a) < EditDistance(word, b);
    });
    if (nearest != known.end() && EditDistance(word, *nearest) <= std::max<std::size_t>(2, word.size() / 3)) {
        message += " Did you mean " + *nearest + "?";
    }
    std::string list;
    for (const std::string& name : known) {
        if (name == "help") continue;
        list += (list.empty() ? "" : ", ") + name;
    }
    return message + " Known: " + list + ".";
}

}  // namespace

void TurnHelpIntoOption(std::vector<std::string>& arguments) {
    const std::vector<std::size_t> words = Words(arguments, 1);
    if (words.empty() || arguments[words.front()] != "help") return;
    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(words.front()));
    arguments.push_back("--help");
}

std::optional<std::string> UnknownSubcommandMessage(const std::vector<std::string>& arguments) {
    const std::vector<std::size_t> words = Words(arguments, 2);
    if (words.empty()) return std::nullopt;
    const std::string& command = arguments[words[0]];
    if (std::find(kCommands.begin(), kCommands.end(), command) == kCommands.end()) {
        return Unknown("subcommand", command, kCommands);
    }
    if (command != "reg" && command != "image") return std::nullopt;
    const std::vector<std::string>& actions = command == "reg" ? kRegisterActions : kImageActions;
    if (words.size() < 2) return std::nullopt;
    const std::string& action = arguments[words[1]];
    if (std::find(actions.begin(), actions.end(), action) != actions.end()) return std::nullopt;
    return Unknown(command + " subcommand", action, actions);
}

}  // namespace kestrovane::cli
