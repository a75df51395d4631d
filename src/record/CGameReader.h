#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "CPgnGame.h"
#include "PgnInput.h"

namespace velmorak {

// The tag values the database index keeps of each game; a game without a tag has an
// empty value, except Result, which a game starts with as "*".
struct IndexTags {
    std::string white;
    std::string black;
    std::string date;
    std::string event;
    std::string eco;
    std::string site;
    std::string result;

    void clear()
    {
        white.clear();
        black.clear();
        date.clear();
        event.clear();
        eco.clear();
        site.clear();
        result.clear();
        result.push_back('*');
    }
};

// Reads games out of PGN input at byte offsets. The base versions refuse (return false and
// hand out no game); CPgnParser implements them.
class CGameReader {
public:
    virtual ~CGameReader() = default;

    // A reader of the same kind and settings for another thread, or null when there is none
    // (the database then indexes on one thread).
    virtual std::unique_ptr<CGameReader> clone() const { return nullptr; }

    // Reads the complete game that starts at `start`. On success the caller owns `game`
    // and `end` is the offset where the text after the game begins (the "[" of the next
    // game, or the end of the input).
    virtual bool readGame(
        PgnInput& input, std::int64_t start, std::int64_t& end, std::unique_ptr<CPgnGame>& game);
    // Reads only the tags and skips the movetext; the game handed out has a lone root.
    // `end` is the offset of the "[" that begins the next game, or the end of the input.
    virtual bool scanGame(
        PgnInput& input, std::int64_t start, std::int64_t& end, std::unique_ptr<CPgnGame>& game);
    // What the database index needs of scanGame without building a game; the same result
    // as scanGame followed by reading the seven tags. The base version does just that.
    virtual bool scanIndexTags(
        PgnInput& input, std::int64_t start, std::int64_t& end, IndexTags& tags);
};

} // namespace velmorak
