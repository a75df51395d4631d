#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// Up and Down in a command field, as a shell walks its history: Up shows the line typed
// before the one shown, Down the one after, and Down past the newest gives back what was
// being typed when the walk began. The history is read afresh at every step (oldest
// first), so lines sent meanwhile count; restart() after each line sent.
class ConsoleHistoryWalk {
public:
    // The text to show after Up, or nothing when the walk is at the oldest line (or there
    // is no history). `typed` is what the field holds now.
    std::optional<std::string> older(
        const std::vector<std::string>& history, std::string_view typed);
    // The text to show after Down, or nothing when no walk is under way.
    std::optional<std::string> newer(const std::vector<std::string>& history);
    void restart() { m_index.reset(); }

private:
    std::optional<std::size_t> m_index; // the history line shown; none: the typed text
    std::string m_draft;
};

} // namespace velmorak
