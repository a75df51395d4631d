#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "CliCommand.h"

namespace velmorak::cli {

// Splits a command's arguments into options ("--name value", "--flag") and positional
// arguments, in order. Options a command does not declare are reported as errors.
class CliArguments {
public:
    // `valueOptions` and `flagOptions` are blank-separated names without the dashes.
    CliArguments(const CliArgs& args, std::string_view valueOptions, std::string_view flagOptions);

    // Empty when the arguments were understood; else the message to print.
    const std::string& error() const { return m_error; }
    const CliArgs& positional() const { return m_positional; }
    bool flag(std::string_view name) const;
    std::optional<std::string> value(std::string_view name) const;
    // The value as an integer in [min, max]; sets error() when it is not one.
    std::optional<long long> integer(std::string_view name, long long min, long long max);

private:
    std::vector<std::pair<std::string, std::string>> m_options;
    CliArgs m_positional;
    std::string m_error;
};

// Parses a whole decimal integer in [min, max].
std::optional<long long> parseInteger(std::string_view text, long long min, long long max);

} // namespace velmorak::cli
