#pragma once

#include <string>
#include <string_view>

#include "server/ServerDialect.h"

namespace velmorak {

// The kinds of game a server names, by the code the lists carry.
enum class GameKind {
    None = 0,
    Blitz = 1,
    Lightning = 2,
    Untimed = 3,
    Examined = 4,
    Standard = 5,
    Wild = 6,
    Atomic = 7,
    Crazyhouse = 8,
    Bughouse = 9,
    Losers = 10,
    Suicide = 11,
    Nonstandard = 12,
    FiveMinute = 13,
    OneMinute = 14,
    Bullet = 15,
};

// Colour codes of a seek or a stored game.
inline constexpr int kColourWhite = 1;
inline constexpr int kColourBlack = 2;
inline constexpr int kColourAny = 3;

// What a list line tells about the kind of a game and its terms.
struct GameKindRecord {
    GameKind kind = GameKind::None;
    std::string description;
    int minutes = 0;
    int increment = 0;
    bool rated = false;
    bool isPrivate = false;
    bool manual = false;
    bool formula = false;
    int colour = kColourAny;
    int ratingLow = 0;
    int ratingHigh = 9999;

    // "%d %d %s %s": minutes, increment, "rated" or "unrated", the kind word.
    void rebuildDescription();
    // The length the clock gives a game of about 40 moves, in seconds.
    long long expectedLength() const
    {
        return static_cast<long long>(minutes) * 60 + static_cast<long long>(increment) * 40;
    }
};

// Whether the dialect's lists are laid out the ICC way (kind letters, seek flags, the stored
// list on one line) rather than the FICS way.
inline bool hasIccLists(const ServerDialect& dialect)
{
    return dialect.sName == "ICC";
}

// The whole word to its kind; an unknown word gives GameKind::None.
GameKind parseKindWord(std::string_view word);
// The word of a kind; "unknown mode" for GameKind::None.
std::string_view kindWord(GameKind kind);
// Whether the program can play games of this kind.
bool isSupportedKind(GameKind kind);
// Reads the text inside a list line's brackets (" br  5   0", "psu 2 12") into `record`;
// leaves it as it is when the text is not a kind field.
void parseKindField(std::string_view field, const ServerDialect& dialect, GameKindRecord& record);

// The decimal number at the start of `text` (after blanks), 0 when there is none; saturates
// instead of overflowing.
int leadingNumber(std::string_view text);

} // namespace velmorak
