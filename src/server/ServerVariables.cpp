#include "server/ServerVariables.h"

#include <algorithm>
#include <utility>

#include "server/ServerChat.h"
#include "server/ServerCommandSink.h"

namespace velmorak {

ServerVariables::ServerVariables(const ServerDialect& dialect)
    : m_dialect(dialect)
{
}

bool ServerVariables::request(ServerReceiveFlags& flags, ServerCommandSink& sink)
{
    if (flags.bReceivingVariables)
        return false;
    m_names.clear();
    m_values.clear();
    sink.sendLine(m_dialect.sVariablesCmd);
    return true;
}

bool ServerVariables::handle(const ServerLineEvent& event)
{
    switch (event.kind) {
    case ServerLineKind::VariablesStart:
        m_names.clear();
        m_values.clear();
        return true;
    case ServerLineKind::VariablesLine:
        readItems(event.line);
        return true;
    case ServerLineKind::VariablesEnd:
        sortByName();
        return true;
    default:
        return false;
    }
}

void ServerVariables::readItems(std::string_view line)
{
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) { return line[at] == ' ' || line[at] == '\t'; };
    while (i < line.size()) {
        while (i < line.size() && blank(i))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !blank(i) && line[i] != '=')
            ++i;
        const std::string_view name = line.substr(start, i - start);
        if (i >= line.size() || line[i] != '=') {
            continue; // an item without "=": skipped up to the blank that ended it
        }
        ++i;
        std::string_view value;
        if (i < line.size() && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            value = line.substr(i + 1, end - i - 1);
            i = std::min(line.size(), end + 1);
        } else {
            const std::size_t start2 = i;
            while (i < line.size() && !blank(i))
                ++i;
            value = line.substr(start2, i - start2);
        }
        if (name.empty() || value.empty() || name == "style")
            continue;
        m_names.emplace_back(name);
        m_values.emplace_back(value);
    }
}

void ServerVariables::sortByName()
{
    std::vector<std::size_t> order(m_names.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [&](std::size_t a, std::size_t b) { return m_names[a] < m_names[b]; });
    std::vector<std::string> names;
    std::vector<std::string> values;
    for (std::size_t i : order) {
        names.push_back(std::move(m_names[i]));
        values.push_back(std::move(m_values[i]));
    }
    m_names = std::move(names);
    m_values = std::move(values);
}

bool ServerVariables::setVariable(
    std::string_view name, std::string_view value, ServerCommandSink& sink)
{
    const auto found = std::find(m_names.begin(), m_names.end(), name);
    if (found == m_names.end())
        return false;
    auto& held = m_values[static_cast<std::size_t>(found - m_names.begin())];
    if (held == value)
        return false;
    held = std::string(value);
    sink.sendLine(m_dialect.sSetCmd + std::string(name) + " " + withoutControlBytes(value));
    return true;
}

} // namespace velmorak
