#include "CliRunner.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

CliResult runCli(const std::string& arguments)
{
    char errPath[] = "/tmp/velmorak-cli-err-XXXXXX";
    int fd = mkstemp(errPath);
    if (fd >= 0)
        close(fd);
    std::string command =
        std::string(VELMORAK_BIN_DIR) + "/velmorak-cli " + arguments + " 2>" + errPath;
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
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    result.err = text.str();
    std::remove(errPath);
    return result;
}
