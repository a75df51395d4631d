#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "PlayPrompts.h"

namespace velmorak::cli {

// Message boxes print as `play` prints them; a Yes/No question goes to `asker`, which waits
// for the user's answer (before one is set: the default button).
class ServerPrompts final : public PlayPrompts {
public:
    using Asker = std::function<bool(std::string_view title, std::string_view text)>;

    explicit ServerPrompts(PlayOutput& output)
        : PlayPrompts(output)
    {
    }

    void setAsker(Asker asker) { m_asker = std::move(asker); }
    bool askYesNo(
        std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;

private:
    Asker m_asker;
};

} // namespace velmorak::cli
