#include "PlayOutput.h"

#include <string>

namespace velmorak::cli {

void PlayOutput::line(std::string_view kind, std::string_view text)
{
    std::string out(kind);
    out += ' ';
    for (char c : text)
        out += c == '\n' || c == '\r' ? ' ' : c;
    out += '\n';
    std::lock_guard lock(m_mutex);
    m_out << out << std::flush;
}

void PlayOutput::block(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    m_out << text << std::flush;
}

} // namespace velmorak::cli
