#include "server/ServerFinger.h"

#include "server/ServerChat.h"
#include "server/ServerCommandSink.h"

namespace velmorak {

ServerFinger::ServerFinger(const ServerDialect& dialect)
    : m_dialect(dialect)
{
}

bool ServerFinger::request(
    std::string_view name, ServerReceiveFlags& flags, ServerCommandSink& sink)
{
    if (flags.bReceivingFinger)
        return false;
    m_lines.clear();
    sink.sendLine(m_dialect.sFingerCmd + withoutControlBytes(name));
    return true;
}

bool ServerFinger::handle(const ServerLineEvent& event)
{
    switch (event.kind) {
    case ServerLineKind::FingerStart:
        m_lines.clear();
        [[fallthrough]];
    case ServerLineKind::FingerLine:
        m_lines.emplace_back(event.line);
        return true;
    case ServerLineKind::FingerEnd:
        return true;
    default:
        return false;
    }
}

void ServerFinger::clear()
{
    m_lines.clear();
    m_kept.clear();
}

void ServerFinger::addSeparator()
{
    m_kept.insert(m_kept.end(), m_lines.begin(), m_lines.end());
    m_kept.emplace_back();
    m_kept.emplace_back(63, '-');
    m_kept.emplace_back();
    m_lines.clear();
}

std::string ServerFinger::text() const
{
    std::string text;
    bool first = true;
    for (const auto* part : { &m_kept, &m_lines })
        for (const auto& line : *part) {
            if (!first)
                text += "\r\n";
            text += line;
            first = false;
        }
    return text;
}

} // namespace velmorak
