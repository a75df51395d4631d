#include "engine/EngineParameters.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/ProgramDirectory.h"

namespace velmorak {

namespace {

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        std::size_t end = text.find_first_of(" \t", start);
        if (end == std::string_view::npos)
            end = text.size();
        found.push_back(text.substr(start, end - start));
        at = end;
    }
    return found;
}

std::optional<int> number(std::string_view text)
{
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The value after `key` among the words; empty when there is none.
std::string_view after(const std::vector<std::string_view>& list, std::string_view key)
{
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        if (list[i] == key)
            return list[i + 1];
    return {};
}

} // namespace

std::optional<EngineParameter> strengthParameter(std::string_view line)
{
    std::vector<std::string_view> list = words(line);
    if (list.size() < 5 || list[0] != "option" || list[1] != "name")
        return std::nullopt;
    // The name runs up to "type": "Skill Level" has a blank in it.
    std::string name;
    std::size_t i = 2;
    for (; i < list.size() && list[i] != "type"; ++i)
        name.append(name.empty() ? "" : " ").append(list[i]);
    if (i + 1 >= list.size())
        return std::nullopt;
    const std::string_view type = list[i + 1];
    const std::string_view given = after(list, "default");
    EngineParameter parameter { name, type == "check", 0, 1, given == "true" };
    if (parameter.check)
        return name == "UCI_LimitStrength" ? std::optional(parameter) : std::nullopt;
    if (type != "spin" || (name != "Skill Level" && name != "UCI_Elo"))
        return std::nullopt;
    std::optional<int> low = number(after(list, "min")), high = number(after(list, "max")),
                       value = number(given);
    if (!low || !high || *low > *high)
        return std::nullopt;
    parameter.minimum = *low;
    parameter.maximum = *high;
    parameter.value = value ? std::clamp(*value, *low, *high) : *low;
    return parameter;
}

std::string formatEngineParameters(const std::vector<EngineParameter>& parameters)
{
    std::string text;
    for (const EngineParameter& p : parameters)
        text += p.name + '\t' + (p.check ? "check" : "spin") + '\t' + std::to_string(p.minimum) +
            '\t' + std::to_string(p.maximum) + '\t' + std::to_string(p.value) + '\n';
    return text;
}

std::vector<EngineParameter> parseEngineParameters(std::string_view text)
{
    std::vector<EngineParameter> parameters;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::vector<std::string_view> fields;
        for (std::size_t at = 0;;) {
            std::size_t tab = line.find('\t', at);
            fields.push_back(line.substr(at, tab - at));
            if (tab == std::string_view::npos)
                break;
            at = tab + 1;
        }
        if (fields.size() != 5 || fields[0].empty() ||
            (fields[1] != "check" && fields[1] != "spin"))
            continue;
        std::optional<int> low = number(fields[2]), high = number(fields[3]),
                           value = number(fields[4]);
        if (!low || !high || !value || *low > *high || *value < *low || *value > *high)
            continue;
        parameters.push_back({ std::string(fields[0]), fields[1] == "check", *low, *high, *value });
    }
    return parameters;
}

bool isNumberIn(std::string_view text, int minimum, int maximum)
{
    std::optional<int> value = number(text);
    return value && *value >= minimum && *value <= maximum;
}

Status storeIniOption(const std::string& iniPath, std::string_view name, std::string_view value)
{
    const std::string key = "Option." + std::string(name) + "=";
    std::string text;
    if (std::ifstream file(iniPath); file) {
        std::stringstream read;
        read << file.rdbuf();
        text = read.str();
    }
    std::string result;
    bool replaced = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::size_t start = line.find_first_not_of(" \t");
        if (!replaced && start != std::string::npos && line.compare(start, key.size(), key) == 0) {
            line = key + std::string(value);
            replaced = true;
        }
        result += line + '\n';
    }
    if (!replaced)
        result += key + std::string(value) + '\n';
    return writeFileAtomically(iniPath, result);
}

namespace {

std::string userCopy(const std::string& shippedIni, const std::string& userFolder)
{
    return userFolder + "/" + std::filesystem::path(shippedIni).filename().string();
}

} // namespace

std::string engineIniToRead(const std::string& shippedIni, const std::string& userFolder)
{
    std::error_code error;
    const std::string copy = userCopy(shippedIni, userFolder);
    return std::filesystem::is_regular_file(copy, error) ? copy : shippedIni;
}

Result<std::string> engineIniToWrite(
    const std::string& shippedIni, const std::string& userFolder, bool shippedWritable)
{
    const std::string read = engineIniToRead(shippedIni, userFolder);
    if (read != shippedIni || shippedWritable)
        return read;
    std::error_code error;
    const std::filesystem::path shipped(shippedIni);
    if (!std::filesystem::exists(shipped, error)) {
        // Nothing to carry over: the change starts the user's file.
        std::filesystem::create_directories(userFolder, error);
        if (error)
            return Error { ErrorKind::Io, "cannot create " + userFolder + ": " + error.message() };
        return userCopy(shippedIni, userFolder);
    }
    return installShippedFile(
        shipped.parent_path().string(), shipped.filename().string(), userFolder);
}

} // namespace velmorak
