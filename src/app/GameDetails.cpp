#include "app/GameDetails.h"

#include <algorithm>

#include "app/GameController.h"

namespace velmorak {

namespace {

constexpr std::string_view kFieldTags[] = { "White", "Black", "Event", "Site", "Date", "Result" };

} // namespace

GameDetails::GameDetails(const CGame& game, const std::vector<std::string>& knownNames)
    : m_game(game)
{
    for (const std::string& name : { game.white(), game.black() })
        if (!name.empty())
            m_names.push_back(name);
    for (const std::string& name : knownNames)
        if (!name.empty() && std::find(m_names.begin(), m_names.end(), name) == m_names.end())
            m_names.push_back(name);
    undo();
}

GameDetails GameDetails::forCurrentGame(GameController& controller)
{
    controller.completeTags();
    return GameDetails(controller.game(), controller.knownPlayerNames());
}

void GameDetails::undo()
{
    white = m_game.white();
    black = m_game.black();
    event = m_game.event();
    site = m_game.site();
    date = m_game.date();
    result = m_game.result();
    m_others = m_game.tagsExcept({ kFieldTags[0], kFieldTags[1], kFieldTags[2], kFieldTags[3],
        kFieldTags[4], kFieldTags[5] });
}

std::string GameDetails::otherValue(std::string_view name) const
{
    for (const TagPair& tag : m_others)
        if (tag.name == name)
            return tag.value;
    return {};
}

bool GameDetails::isValidTagName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_';
    });
}

bool GameDetails::setOtherTag(std::string_view name, std::string_view value)
{
    if (!isValidTagName(name) ||
        std::find(std::begin(kFieldTags), std::end(kFieldTags), name) != std::end(kFieldTags))
        return false;
    for (TagPair& tag : m_others) {
        if (tag.name == name) {
            tag.value = value;
            return true;
        }
    }
    if (!value.empty())
        m_others.push_back({ std::string(name), std::string(value) });
    return true;
}

bool GameDetails::store(CGame& game) const
{
    bool changed = false;
    auto write = [&](std::string_view name, const std::string& value) {
        if (game.getTag(name) == value && (game.hasTag(name) || value.empty()))
            return;
        game.setTag(name, value);
        changed = true;
    };
    const std::string* fields[] = { &white, &black, &event, &site, &date, &result };
    for (std::size_t i = 0; i < std::size(kFieldTags); ++i)
        write(kFieldTags[i], *fields[i]);
    for (const TagPair& tag : m_others)
        write(tag.name, tag.value);
    return changed;
}

} // namespace velmorak
