#include "CliCommand.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace velmorak::cli {

namespace {
std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}
} // namespace

int usage(std::ostream& err, std::string_view command, std::string_view message)
{
    err << "velmorak-cli " << command << ": " << message << "\n(velmorak-cli help " << command
        << " shows the usage)\n";
    return kExitUsage;
}

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
