#include "server/ServerGameKind.h"

#include <array>
#include <limits>

#include "server/ServerPattern.h"

namespace velmorak {

namespace {

constexpr std::array<std::string_view, 16> kKindWords { "unknown mode", "blitz", "lightning",
    "untimed", "examined", "standard", "wild", "atomic", "crazyhouse", "bughouse", "losers",
    "suicide", "nonstandard", "five-minute", "one-minute", "bullet" };

// The kind a letter of a kind field names; None for the letters that name none.
GameKind kindOfLetter(char letter, bool ics)
{
    switch (letter) {
    case 'b':
        return GameKind::Blitz;
    case 'l':
        return GameKind::Lightning;
    case 'u':
        return ics ? GameKind::None : GameKind::Untimed;
    case 'e':
        return GameKind::Examined;
    case 's':
        return GameKind::Standard;
    case 'w':
        return GameKind::Wild;
    case 'x':
        return GameKind::Atomic;
    case 'z':
        return GameKind::Crazyhouse;
    case 'd':
        return GameKind::Bughouse;
    case 'B':
        return ics ? GameKind::Bullet : GameKind::Bughouse;
    case 'L':
        return GameKind::Losers;
    case 'S':
        return GameKind::Suicide;
    case 'n':
        return GameKind::Nonstandard;
    case 'f':
        return GameKind::FiveMinute;
    case 'o':
        return GameKind::OneMinute;
    default:
        return GameKind::None;
    }
}

} // namespace

void GameKindRecord::rebuildDescription()
{
    description = std::to_string(minutes) + ' ' + std::to_string(increment) + ' ' +
        (rated ? "rated" : "unrated") + ' ' + std::string(kindWord(kind));
}

GameKind parseKindWord(std::string_view word)
{
    for (std::size_t i = 1; i < kKindWords.size(); ++i)
        if (kKindWords[i] == word)
            return static_cast<GameKind>(i);
    return GameKind::None;
}

std::string_view kindWord(GameKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < kKindWords.size() ? kKindWords[index] : kKindWords[0];
}

bool isSupportedKind(GameKind kind)
{
    switch (kind) {
    case GameKind::Blitz:
    case GameKind::Lightning:
    case GameKind::Untimed:
    case GameKind::Standard:
    case GameKind::FiveMinute:
    case GameKind::OneMinute:
    case GameKind::Bullet:
        return true;
    default:
        return false;
    }
}

int leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

void parseKindField(std::string_view field, const ServerDialect& dialect, GameKindRecord& record)
{
    PatternCaptures captures;
    std::string text(" ");
    text.append(field);
    if (!matchPattern(text, dialect.sKindLine, captures) || captures.size() < 5)
        return;
    // The ICC dialect reads "u" as unrated, FICS as untimed.
    const bool ics = hasIccLists(dialect);
    std::string_view letters = captures[1];
    if (letters.starts_with('p')) {
        record.isPrivate = true;
        letters.remove_prefix(1);
    }
    std::size_t i = 0;
    for (; i < letters.size() && record.kind == GameKind::None; ++i) {
        if (letters[i] == 'r')
            record.rated = true;
        else
            record.kind = kindOfLetter(letters[i], ics);
    }
    for (; i < letters.size(); ++i) {
        if (letters[i] == 'r') {
            record.rated = true;
            break;
        }
        if (letters[i] == 'u') {
            record.rated = false;
            break;
        }
    }
    record.minutes = leadingNumber(captures[2]);
    record.increment = leadingNumber(captures[4]);
    record.rebuildDescription();
}

} // namespace velmorak
