#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/LevelRecord.h"

namespace velmorak {

// What the clocks are computed from; the controller fills it at each redraw. Ticks are
// milliseconds of the clock port.
struct ClockInputs {
    std::int64_t now = 0;
    std::int64_t whiteTimeUsedMs = 0;
    std::int64_t blackTimeUsedMs = 0;
    // When the side to move began thinking; 0 = not started.
    std::int64_t moveStartTick = 0;
    std::int64_t searchStartTick = 0;
    // The engine searches for its own move (not pondering).
    bool engineSearching = false;
    bool analysisMode = false;
    bool trainingMode = false;
    // A server game is played or observed.
    bool serverOrObserve = false;
    int plyNumber = 2;
    bool whiteToMove = true;
    // The position ends the game (mate, stalemate, a draw): no clock runs.
    bool gameOver = false;
};

// A clock as two numbers: minutes and seconds, or hours and minutes (ClockParts).
struct ClockValue {
    std::int64_t minutes = 0;
    std::int64_t seconds = 0;
    friend bool operator==(const ClockValue&, const ClockValue&) = default;
};

struct Clocks {
    ClockValue white, black;
    friend bool operator==(const Clocks&, const Clocks&) = default;
};

// Both clocks: counting down from the blitz or tournament time, or counting up from 0 (the
// time of the current move or search) in a fixed level, in training and in analysis. Time
// since a tick is never negative, so a tick from the future adds nothing.
Clocks computeClocks(const LevelRecord& level, const ClockInputs& inputs);

// The clock texts last reported by a DGT clock, each "H:MM:SS".
struct DgtClockTexts {
    bool connected = false;
    bool serverGame = false;
    std::string white, black;
};

// What the clock area shows: for each side two numbers (minutes and seconds, or hours and
// minutes with the colon blinking), and each side's DGT time in seconds, -1 when there is
// none (the engine's budget uses it).
struct ClockParts {
    ClockValue white, black;
    bool whiteColon = true;
    bool blackColon = true;
    std::int64_t whiteDgtSeconds = -1;
    std::int64_t blackDgtSeconds = -1;
    // Each clock's whole time in seconds (a negative time as 0), for a display that cannot
    // blink its colon and so cannot tell hours from minutes.
    std::int64_t whiteSeconds = 0;
    std::int64_t blackSeconds = 0;
    friend bool operator==(const ClockParts&, const ClockParts&) = default;
};

// The DGT clock's times when a board is connected outside a server game and both its texts
// read as hours, minutes and seconds; otherwise computeClocks, with 60 minutes or more shown
// as hours and minutes (at most 59 and 59) and a negative time as 0 and 0.
ClockParts clockParts(
    const LevelRecord& level, const ClockInputs& inputs, const DgtClockTexts& dgt);

// A DGT clock text "%d:%d:%d" in seconds, read strictly: digits only, minutes and seconds
// 0..59, nothing before or after; -1 when it is not such a text ("-:--:--": no clock).
std::int64_t dgtClockSeconds(std::string_view text);

// Whether White's clock is shown first (on the left): unless the board is flipped, or in
// the layouts that always show White first.
bool whiteClockFirst(bool flipped, int layout);

// One clock: "MM:SS", or "MM SS" while its colon blinks off.
std::string clockFace(const ClockValue& value, bool colon);

// "MM:SS MM:SS" ("HH MM" halves while a colon blinks off): white first, or black first when
// the board is flipped, except in the layouts that always show white first.
std::string clockText(const ClockParts& parts, bool flipped, int layout);

} // namespace velmorak
