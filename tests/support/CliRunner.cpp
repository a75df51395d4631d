#include "CliRunner.h"

#include <cstdio>

#include <sys/wait.h>

#include "TempFolder.h"

CliResult runCli(const std::string& arguments, const std::string& environment)
{
    TempFolder folder;
    const std::string errPath = folder.file("stderr");
    std::string command = environment + " " + std::string(VELMORAK_BIN_DIR) + "/velmorak-cli " +
        arguments + " 2>'" + errPath + "'";
    CliResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = TempFolder::read(errPath);
    return result;
}
