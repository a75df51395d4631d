#include "CliCommand.h"

#include <algorithm>
#include <cstring>

namespace velmorak::cli {

namespace {
std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}
} // namespace

const std::vector<CliCommand>& cliCommands()
{
    return registry();
}

CliRegistration::CliRegistration(const CliCommand& command)
{
    auto& commands = registry();
    auto at = std::find_if(commands.begin(), commands.end(),
        [&](const CliCommand& c) { return std::strcmp(c.name, command.name) > 0; });
    commands.insert(at, command);
}

} // namespace velmorak::cli
