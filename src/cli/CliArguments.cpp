#include "CliArguments.h"

#include <charconv>

namespace velmorak::cli {

namespace {
bool listed(std::string_view names, std::string_view name)
{
    while (!names.empty()) {
        std::size_t blank = names.find(' ');
        if (names.substr(0, blank) == name)
            return true;
        if (blank == std::string_view::npos)
            break;
        names.remove_prefix(blank + 1);
    }
    return false;
}
} // namespace

CliArguments::CliArguments(
    const CliArgs& args, std::string_view valueOptions, std::string_view flagOptions)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            m_positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        if (listed(flagOptions, name)) {
            m_options.emplace_back(name, "");
        } else if (listed(valueOptions, name)) {
            if (i + 1 >= args.size()) {
                m_error = "option --" + name + " needs a value";
                return;
            }
            m_options.emplace_back(name, args[++i]);
        } else {
            m_error = "unknown option " + arg;
            return;
        }
    }
}

bool CliArguments::flag(std::string_view name) const
{
    for (const auto& option : m_options)
        if (option.first == name)
            return true;
    return false;
}

std::optional<std::string> CliArguments::value(std::string_view name) const
{
    std::optional<std::string> found;
    for (const auto& option : m_options)
        if (option.first == name)
            found = option.second;
    return found;
}

std::optional<long long> CliArguments::integer(std::string_view name, long long min, long long max)
{
    std::optional<std::string> text = value(name);
    if (!text)
        return std::nullopt;
    std::optional<long long> number = parseInteger(*text, min, max);
    if (!number && m_error.empty())
        m_error = "--" + std::string(name) + " takes a whole number from " + std::to_string(min) +
            " to " + std::to_string(max);
    return number;
}

std::optional<long long> parseInteger(std::string_view text, long long min, long long max)
{
    long long number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || number < min || number > max)
        return std::nullopt;
    return number;
}

} // namespace velmorak::cli
