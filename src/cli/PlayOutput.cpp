#include "PlayOutput.h"

#include <string>

namespace velmorak::cli {

void PlayOutput::line(std::string_view kind, std::string_view text)
{
    std::string out(kind);
    out += ' ';
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\t')
            out += ' ';
        else if (byte < 0x20 || byte == 0x7F)
            out += '?';
        else
            out += c;
    }
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
