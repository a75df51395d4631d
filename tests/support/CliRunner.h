#pragma once

#include <string>

// Runs the built velmorak-cli with a shell-quoted argument string; `environment` is put
// before the command ("NAME='value' ...").
struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult runCli(const std::string& arguments, const std::string& environment = {});
