// velmorak-cli: the command-line companion of Velmorak, for scripting, checks and
// benchmarks. Each subcommand lives in a *Commands.cpp file beside this one.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "CliCommand.h"

using namespace velmorak::cli;

namespace {

void printHelp(std::ostream& out)
{
    out << "velmorak-cli: the command-line companion of the Velmorak chess program.\n\n"
           "Usage: velmorak-cli COMMAND [ARGUMENTS...]\n"
           "       velmorak-cli --help | help [COMMAND]\n"
           "       velmorak-cli --version\n\n"
           "FEN arguments are whole FEN strings in one argument (quote them); moves in\n"
           "coordinates look like e2e4 or e7e8q. Exit status: 0 success, 1 a failure the\n"
           "command reports, 2 bad arguments or unreadable input.\n\nCommands:\n";
    for (const CliCommand& command : cliCommands())
        out << command.help << '\n';
}

const CliCommand* findCommand(const char* name)
{
    for (const CliCommand& command : cliCommands())
        if (std::strcmp(command.name, name) == 0)
            return &command;
    return nullptr;
}

// A standard stream the caller closed would be the number of the next file opened: a
// settings file read as input, a game written into a pipe's place. Each such number is
// taken by /dev/null before anything else is opened.
void takeClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
}

} // namespace

int main(int argc, char** argv)
{
    takeClosedStandardStreams();
    if (argc < 2) {
        printHelp(std::cerr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << "velmorak-cli " VELMORAK_VERSION "\n";
        return kExitOk;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        if (argc > 2) {
            if (const CliCommand* command = findCommand(argv[2])) {
                std::cout << command->help << '\n';
                return kExitOk;
            }
            std::cerr << "velmorak-cli: unknown command '" << argv[2] << "'\n";
            return kExitUsage;
        }
        printHelp(std::cout);
        return kExitOk;
    }
    const CliCommand* command = findCommand(argv[1]);
    if (!command) {
        std::cerr << "velmorak-cli: unknown command '" << argv[1]
                  << "' (velmorak-cli --help lists them)\n";
        return kExitUsage;
    }
    CliArgs args(argv + 2, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << command->help << '\n';
        return kExitOk;
    }
    return command->run(args, std::cout, std::cerr);
}
