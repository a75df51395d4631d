#include "CGameReader.h"

namespace velmorak {

bool CGameReader::readGame(PgnInput&, std::int64_t, std::int64_t&, std::unique_ptr<CPgnGame>& game)
{
    game.reset();
    return false;
}

bool CGameReader::scanGame(PgnInput&, std::int64_t, std::int64_t&, std::unique_ptr<CPgnGame>& game)
{
    game.reset();
    return false;
}

bool CGameReader::scanIndexTags(
    PgnInput& input, std::int64_t start, std::int64_t& end, IndexTags& tags)
{
    std::unique_ptr<CPgnGame> game;
    if (!scanGame(input, start, end, game) || !game)
        return false;
    tags.white = game->white();
    tags.black = game->black();
    tags.date = game->date();
    tags.event = game->event();
    tags.eco = game->eco();
    tags.site = game->site();
    tags.result = game->result();
    return true;
}

} // namespace velmorak
