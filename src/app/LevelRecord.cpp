#include "app/LevelRecord.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <optional>
#include <vector>

#include "settings/RegistrySettings.h"

namespace velmorak {

bool LevelRecord::setTournament(int m1, int s1, int m2, int s2, int m3, int s3)
{
    if (std::min({ m1, s1, m2, s2, m3, s3 }) < 0)
        return false;
    moves1 = m1;
    seconds1 = s1;
    moves2 = m2;
    seconds2 = s2;
    moves3 = m3;
    seconds3 = s3;
    mode = kTournamentLevel;
    return true;
}

bool LevelRecord::setBlitz(int seconds, int increment)
{
    if (seconds < 0 || increment < 0)
        return false;
    blitzSeconds = seconds;
    blitzIncrement = increment;
    mode = kBlitzLevel;
    return true;
}

bool LevelRecord::setFixed(int plies, int seconds)
{
    if (plies < 1 || seconds <= 0)
        return false;
    fixedPlies = std::min(plies, kMaxFixedPlies);
    fixedSeconds = seconds;
    mode = kFixedLevel;
    return true;
}

Period periodAt(const LevelRecord& level, int moveNumber)
{
    std::int64_t n = moveNumber;
    if (n <= level.moves1)
        return { level.moves1, level.seconds1 };
    // A second period of 0 moves lasts for the rest of the game: the third is never reached.
    if (level.moves2 == 0 || n <= std::int64_t { level.moves1 } + level.moves2)
        return { level.moves2, level.seconds2 };
    return { level.moves3, level.seconds3 };
}

Remaining remainingAt(const LevelRecord& level, int moveNumber, std::int64_t usedSeconds)
{
    const std::int64_t n = std::max(moveNumber, 1);
    const std::int64_t m1 = level.moves1, m2 = level.moves2, m3 = level.moves3;
    const std::int64_t s1 = level.seconds1, s2 = level.seconds2, s3 = level.seconds3;
    std::int64_t movesToGo = 0;
    std::int64_t budget = 0;
    if (n <= m1) {
        movesToGo = m1 - n + 1;
        budget = s1;
    } else if (m2 == 0) {
        budget = s1 + s2;
    } else if (n <= m1 + m2) {
        movesToGo = m1 + m2 - n + 1;
        budget = s1 + s2;
    } else if (m3 == 0) {
        budget = s1 + s2 + s3;
    } else {
        std::int64_t k = (n - m1 - m2 - 1) / m3 + 1;
        movesToGo = m1 + m2 + k * m3 - n + 1;
        budget = s1 + s2 + k * s3;
    }
    // The budget stays below 2^63 / 2 (k and s3 are both below 2^32); only a used time near
    // the 64-bit limits could overflow the difference.
    std::int64_t seconds = 0;
    if (__builtin_sub_overflow(budget, usedSeconds, &seconds))
        seconds = usedSeconds < 0 ? INT64_MAX : INT64_MIN;
    return { static_cast<int>(movesToGo), seconds };
}

std::string levelText(const LevelRecord& level)
{
    char text[128];
    switch (level.mode) {
    case kBlitzLevel:
        if (level.blitzIncrement == 0)
            std::snprintf(text, sizeof text, "Level %dmin", level.blitzSeconds / 60);
        else
            std::snprintf(text, sizeof text, "Level %dmin+%dsec", level.blitzSeconds / 60,
                level.blitzIncrement);
        return text;
    case kFixedLevel:
        if (level.fixedSeconds != kNoTimeLimit) {
            std::snprintf(text, sizeof text, "Level %dsec per move", level.fixedSeconds);
            return text;
        }
        switch (level.fixedPlies) {
        case 60:
        case 99:
            return "Level infinite";
        case 1:
            return "Level Novice";
        case 2:
            return "Level Beginner";
        case 3:
            return "Level Advanced";
        }
        std::snprintf(text, sizeof text, "Level %d plies", level.fixedPlies);
        return text;
    case kTournamentLevel:
        if (level.moves2 == 0)
            std::snprintf(text, sizeof text, "Level %d/%d,rest/%d", level.moves1,
                level.seconds1 / 60, level.seconds2 / 60);
        else if (level.moves3 == 0)
            std::snprintf(text, sizeof text, "Level %d/%d,%d/%d,rest/%d", level.moves1,
                level.seconds1 / 60, level.moves2, level.seconds2 / 60, level.seconds3 / 60);
        else
            std::snprintf(text, sizeof text, "Level %d/%d,%d/%d,%d/%d", level.moves1,
                level.seconds1 / 60, level.moves2, level.seconds2 / 60, level.moves3,
                level.seconds3 / 60);
        return text;
    }
    return " ";
}

void loadLevel(RegistrySettings& settings, LevelRecord& level)
{
    const LevelRecord defaults;
    auto read = [&](std::string_view name, int fallback) {
        int value = fallback;
        settings.readInt(name, value);
        return value;
    };
    level.setTournament(read(kLevelMoves1Setting, defaults.moves1),
        read(kLevelSeconds1Setting, defaults.seconds1), read(kLevelMoves2Setting, defaults.moves2),
        read(kLevelSeconds2Setting, defaults.seconds2), read(kLevelMoves3Setting, defaults.moves3),
        read(kLevelSeconds3Setting, defaults.seconds3));
    level.setBlitz(read(kLevelBlitzSecondsSetting, defaults.blitzSeconds),
        read(kLevelBlitzIncrementSetting, defaults.blitzIncrement));
    level.setFixed(read(kLevelFixedPliesSetting, defaults.fixedPlies),
        read(kLevelFixedSecondsSetting, defaults.fixedSeconds));
    level.setMode(read(kLevelModeSetting, defaults.mode));
}

bool saveLevel(RegistrySettings& settings, const LevelRecord& level)
{
    const std::pair<std::string_view, int> values[] = {
        { kLevelMoves1Setting, level.moves1 },
        { kLevelMoves2Setting, level.moves2 },
        { kLevelMoves3Setting, level.moves3 },
        { kLevelSeconds1Setting, level.seconds1 },
        { kLevelSeconds2Setting, level.seconds2 },
        { kLevelSeconds3Setting, level.seconds3 },
        { kLevelBlitzSecondsSetting, level.blitzSeconds },
        { kLevelBlitzIncrementSetting, level.blitzIncrement },
        { kLevelFixedPliesSetting, level.fixedPlies },
        { kLevelFixedSecondsSetting, level.fixedSeconds },
        { kLevelModeSetting, level.mode },
    };
    bool stored = true;
    settings.beginWrites();
    for (const auto& [name, value] : values)
        stored = settings.writeInt(name, value) && stored;
    return settings.endWrites() && stored;
}

namespace {

constexpr const char* kExpectedForms =
    "depth:N, movetime:SECONDS, blitz:MINUTES[+INCREMENT], "
    "tournament:MOVES/MINUTES[,MOVES/MINUTES[,[MOVES/]MINUTES]] or infinite";
constexpr const char* kTournamentForm =
    "tournament:MOVES/MINUTES[,MOVES/MINUTES[,[MOVES/]MINUTES]]";
// Long enough for any valid level; longer text is cut in messages.
constexpr std::size_t kMaxQuotedSpec = 64;

std::string quoted(std::string_view text)
{
    std::string cut(text.substr(0, kMaxQuotedSpec));
    if (text.size() > kMaxQuotedSpec)
        cut += "...";
    return "\"" + cut + "\"";
}

// Reads the level's numbers and keeps the first failure, so that each form reads its
// fields in one go and reports what it expected.
class SpecReader {
public:
    explicit SpecReader(std::string_view spec)
        : m_spec(spec)
    {
    }

    // A whole number in minimum..maximum (digits only: a sign is not part of a number).
    int number(std::string_view text, std::string_view what, int minimum, int maximum)
    {
        if (m_failure)
            return 0;
        int value = 0;
        const char* end = text.data() + text.size();
        bool digits = !text.empty() &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) {
            fail(std::string(what) + " must be a whole number, not " + quoted(text));
            return 0;
        }
        auto [last, error] = std::from_chars(text.data(), end, value);
        if (error != std::errc() || last != end || value < minimum || value > maximum) {
            char range[64];
            std::snprintf(range, sizeof range, " %d to %d", minimum, maximum);
            fail(std::string(what) + " must be" + range + ", not " + quoted(text));
            return 0;
        }
        return value;
    }

    // Minutes kept as seconds: at most what 32 bits hold.
    int minutes(std::string_view text, std::string_view what, int minimum)
    {
        return number(text, what, minimum, INT_MAX / 60) * 60;
    }

    void fail(std::string reason)
    {
        if (!m_failure)
            m_failure = std::move(reason);
    }
    bool failed() const { return m_failure.has_value(); }

    Error error(std::string_view expected) const
    {
        return { ErrorKind::InvalidInput,
            "bad level " + quoted(m_spec) + ": " + *m_failure + "; expected " +
                std::string(expected) };
    }

private:
    std::string_view m_spec;
    std::optional<std::string> m_failure;
};

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

struct MovesAndMinutes {
    std::string_view moves, minutes;
    bool both;
};
MovesAndMinutes movesAndMinutes(std::string_view period)
{
    std::size_t slash = period.find('/');
    if (slash == std::string_view::npos)
        return { {}, period, false };
    return { period.substr(0, slash), period.substr(slash + 1), true };
}

Result<LevelRecord> parseTournament(
    std::string_view spec, std::string_view periods, LevelRecord level)
{
    SpecReader reader(spec);
    std::vector<std::string_view> parts = split(periods, ',');
    if (parts.size() > 3) {
        reader.fail("at most three periods");
        return reader.error(kTournamentForm);
    }
    int m[3] = {}, s[3] = {};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        MovesAndMinutes period = movesAndMinutes(parts[i]);
        static constexpr const char* kNames[] = { "first", "second", "third" };
        std::string name = std::string("the ") + kNames[i] + " period's ";
        if (!period.both && i < 2) {
            reader.fail(
                "the " + std::string(kNames[i]) + " period " + quoted(parts[i]) + " has no /");
            break;
        }
        if (period.both)
            m[i] = reader.number(period.moves, name + "moves", i == 0 ? 1 : 0, INT_MAX);
        s[i] = reader.minutes(period.minutes, name + "minutes", i < 2 ? 1 : 0);
    }
    if (!reader.failed() && parts.size() == 3 && m[1] == 0)
        reader.fail("a third period after a second one of 0 moves, which lasts the rest of "
                    "the game, is never reached");
    if (reader.failed())
        return reader.error(kTournamentForm);

    int m3 = 0, s3 = 0;
    if (parts.size() == 1) {
        m[1] = 0;
        s[1] = s[0];
    }
    if (m[1] == 0) {
        m3 = level.moves3;
        s3 = level.seconds3;
    } else if (parts.size() == 2) {
        s3 = s[1];
    } else {
        m3 = m[2];
        s3 = s[2];
    }
    level.setTournament(m[0], s[0], m[1], s[1], m3, s3);
    return level;
}

} // namespace

Result<LevelRecord> parseLevelSpec(std::string_view spec, const LevelRecord& base)
{
    LevelRecord level = base;
    SpecReader reader(spec);
    std::size_t colon = spec.find(':');
    std::string_view kind = spec.substr(0, colon);
    std::string_view value =
        colon == std::string_view::npos ? std::string_view {} : spec.substr(colon + 1);
    const bool hasValue = colon != std::string_view::npos;

    if (kind == "infinite" && !hasValue) {
        level.setFixed(kMaxFixedPlies, kNoTimeLimit);
        return level;
    }
    if (kind == "depth" && hasValue) {
        int plies = reader.number(value, "the depth", 1, kMaxFixedPlies);
        if (reader.failed())
            return reader.error("depth:N with N from 1 to 60 half-moves");
        level.setFixed(plies, kNoTimeLimit);
        return level;
    }
    if (kind == "movetime" && hasValue) {
        int seconds = reader.number(value, "the time per move", 1, kNoTimeLimit);
        if (reader.failed())
            return reader.error("movetime:SECONDS with SECONDS from 1 to 999999 (no limit)");
        level.setFixed(kMaxFixedPlies, seconds);
        return level;
    }
    if (kind == "blitz" && hasValue) {
        std::size_t plus = value.find('+');
        int seconds = reader.minutes(value.substr(0, plus), "the minutes for the game", 1);
        int increment = plus == std::string_view::npos
            ? 0
            : reader.number(value.substr(plus + 1), "the increment", 0, INT_MAX);
        if (reader.failed())
            return reader.error("blitz:MINUTES or blitz:MINUTES+INCREMENT (seconds)");
        level.setBlitz(seconds, increment);
        return level;
    }
    if (kind == "tournament" && hasValue)
        return parseTournament(spec, value, level);

    reader.fail("unknown level");
    return reader.error(kExpectedForms);
}

} // namespace velmorak
