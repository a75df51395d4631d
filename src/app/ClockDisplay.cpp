#include "app/ClockDisplay.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace velmorak {

namespace {

// Layouts whose clock area always shows white's clock first.
constexpr int kWhiteFirstLayouts[] = { 3, 10 };

// Whole seconds since `tick`; a tick later than now (a clock set back) counts as none.
std::int64_t secondsSince(std::int64_t now, std::int64_t tick)
{
    std::int64_t elapsed = 0;
    if (__builtin_sub_overflow(now, tick, &elapsed) || elapsed < 0)
        return 0;
    return elapsed / 1000;
}

ClockValue split(std::int64_t value)
{
    return { value / 60, value % 60 };
}

// One computed clock as shown: an hour or more as hours and minutes with the colon on
// even seconds only, at most 59:59; a negative time as 0:00.
void showComputed(ClockValue value, ClockValue& shown, bool& colon)
{
    colon = true;
    if (value.minutes < 0 || value.seconds < 0) {
        shown = {};
        return;
    }
    shown = value;
    if (value.minutes >= 60) {
        shown = { value.minutes / 60, value.minutes % 60 };
        colon = value.seconds % 2 == 0;
    }
    if (shown.minutes >= 60)
        shown = { 59, 59 };
}

void showDgt(std::int64_t total, ClockValue& shown, bool& colon)
{
    std::int64_t hours = total / 3600, minutes = total / 60 % 60, seconds = total % 60;
    if (hours == 0) {
        shown = { minutes, seconds };
        colon = true;
    } else {
        shown = { hours, minutes };
        colon = seconds % 2 == 0;
    }
}

bool readNumber(std::string_view& text, std::int64_t& value)
{
    const char* end = text.data() + text.size();
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0)
        return false;
    auto [last, error] = std::from_chars(text.data(), text.data() + digits, value);
    if (error != std::errc())
        return false;
    text = std::string_view(last, end - last);
    return true;
}

} // namespace

Clocks computeClocks(const LevelRecord& level, const ClockInputs& in)
{
    std::int64_t white = in.whiteTimeUsedMs / 1000;
    std::int64_t black = in.blackTimeUsedMs / 1000;
    std::int64_t& toMove = in.whiteToMove ? white : black;
    const bool fixed = level.mode == kFixedLevel;

    if (in.gameOver) {
        // Nobody thinks in a finished game: the clocks stand at the last move's times.
        if (fixed || in.trainingMode)
            white = black = 0;
    } else if (in.serverOrObserve) {
        if (in.moveStartTick != 0)
            toMove += secondsSince(in.now, in.moveStartTick);
    } else if (!in.engineSearching) {
        if (fixed || in.trainingMode)
            white = black = 0;
        if (in.moveStartTick != 0)
            toMove += secondsSince(in.now, in.moveStartTick);
    } else {
        if (in.analysisMode || fixed)
            white = black = 0;
        toMove += secondsSince(in.now, in.searchStartTick);
    }

    const bool countUp = (in.analysisMode && !in.serverOrObserve) || fixed || in.trainingMode;
    if (!countUp && level.mode == kBlitzLevel) {
        const std::int64_t ply = in.plyNumber;
        white = level.blitzSeconds + ply / 2 * level.blitzIncrement - white;
        black = level.blitzSeconds + (ply - 1) / 2 * level.blitzIncrement - black;
    } else if (!countUp && level.mode == kTournamentLevel) {
        int n = static_cast<int>((std::int64_t { in.plyNumber } + 1) / 2);
        white = remainingAt(level, n, white).seconds;
        black = remainingAt(level, n, black).seconds;
    }
    return { split(white), split(black) };
}

std::int64_t dgtClockSeconds(std::string_view text)
{
    std::int64_t hours = 0, minutes = 0, seconds = 0;
    if (!readNumber(text, hours) || !text.starts_with(':'))
        return -1;
    text.remove_prefix(1);
    if (!readNumber(text, minutes) || !text.starts_with(':'))
        return -1;
    text.remove_prefix(1);
    if (!readNumber(text, seconds) || !text.empty() || minutes > 59 || seconds > 59 ||
        hours > INT32_MAX)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

ClockParts clockParts(const LevelRecord& level, const ClockInputs& inputs, const DgtClockTexts& dgt)
{
    ClockParts parts;
    if (dgt.connected && !dgt.serverGame) {
        std::int64_t white = dgtClockSeconds(dgt.white);
        std::int64_t black = dgtClockSeconds(dgt.black);
        if (white >= 0 && black >= 0) {
            parts.whiteDgtSeconds = parts.whiteSeconds = white;
            parts.blackDgtSeconds = parts.blackSeconds = black;
            showDgt(white, parts.white, parts.whiteColon);
            showDgt(black, parts.black, parts.blackColon);
            return parts;
        }
    }
    Clocks clocks = computeClocks(level, inputs);
    showComputed(clocks.white, parts.white, parts.whiteColon);
    showComputed(clocks.black, parts.black, parts.blackColon);
    parts.whiteSeconds =
        std::max<std::int64_t>(0, clocks.white.minutes * 60 + clocks.white.seconds);
    parts.blackSeconds =
        std::max<std::int64_t>(0, clocks.black.minutes * 60 + clocks.black.seconds);
    return parts;
}

bool whiteClockFirst(bool flipped, int layout)
{
    return !flipped ||
        std::ranges::find(kWhiteFirstLayouts, layout) != std::end(kWhiteFirstLayouts);
}

std::string clockFace(const ClockValue& value, bool colon)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02lld%s%02lld", static_cast<long long>(value.minutes),
        colon ? ":" : " ", static_cast<long long>(value.seconds));
    return text;
}

std::string clockText(const ClockParts& parts, bool flipped, int layout)
{
    const bool whiteFirst = whiteClockFirst(flipped, layout);
    const std::string white = clockFace(parts.white, parts.whiteColon);
    const std::string black = clockFace(parts.black, parts.blackColon);
    return whiteFirst ? white + " " + black : black + " " + white;
}

} // namespace velmorak
