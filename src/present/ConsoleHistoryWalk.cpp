#include "present/ConsoleHistoryWalk.h"

#include <algorithm>

namespace velmorak {

std::optional<std::string> ConsoleHistoryWalk::older(
    const std::vector<std::string>& history, std::string_view typed)
{
    if (history.empty())
        return std::nullopt;
    if (!m_index) {
        m_draft = typed;
        m_index = history.size() - 1;
    } else if (*m_index == 0) {
        return std::nullopt;
    } else {
        // The history may have lost lines since the last step: stay within it.
        m_index = std::min(*m_index, history.size()) - 1;
    }
    return history[*m_index];
}

std::optional<std::string> ConsoleHistoryWalk::newer(const std::vector<std::string>& history)
{
    if (!m_index)
        return std::nullopt;
    if (*m_index + 1 < history.size()) {
        ++*m_index;
        return history[*m_index];
    }
    m_index.reset();
    return m_draft;
}

} // namespace velmorak
