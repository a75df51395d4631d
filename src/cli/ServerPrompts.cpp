#include "ServerPrompts.h"

namespace velmorak::cli {

bool ServerPrompts::askYesNo(
    std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes)
{
    if (!m_asker)
        return PlayPrompts::askYesNo(title, text, icon, defaultYes);
    return m_asker(title, text);
}

} // namespace velmorak::cli
