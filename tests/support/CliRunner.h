#pragma once

#include <string>

// Runs the built velmorak-cli with a shell-quoted argument string.
struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult runCli(const std::string& arguments);
