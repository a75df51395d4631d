#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
// Bad arguments or unreadable input.
inline constexpr int kExitUsage = 2;

using CliArgs = std::vector<std::string>;

// One subcommand of velmorak-cli. `run` gets the arguments after the command's name and
// returns the exit code; it writes results to `out` and messages to `err`.
struct CliCommand {
    const char* name;
    // Lines of "velmorak-cli NAME ..." usage, each followed by a description.
    const char* help;
    int (*run)(const CliArgs& args, std::ostream& out, std::ostream& err);
};

// Prints "velmorak-cli COMMAND: MESSAGE" and where to find the usage; returns kExitUsage.
int usage(std::ostream& err, std::string_view command, std::string_view message);

// The commands in name order.
const std::vector<CliCommand>& cliCommands();

// A file-scope object of this type adds a command at start-up.
struct CliRegistration {
    explicit CliRegistration(const CliCommand& command);
};

} // namespace velmorak::cli
