#include "server/ServerLog.h"

#include "base/AtomicFile.h"

namespace velmorak {

ServerLog::ServerLog()
    : m_page(kCapacity)
{
}

void ServerLog::logMessage(std::string_view text)
{
    // A line too long for the page is refused by it; the log has nowhere else to report that.
    (void)m_page.addString(text);
}

std::string ServerLog::text() const
{
    std::string all;
    for (const std::string& line : m_page.strings().texts) {
        all += line;
        all += '\n';
    }
    return all;
}

Status ServerLog::saveTo(const std::string& path) const
{
    return writeFileAtomically(path, text());
}

} // namespace velmorak
