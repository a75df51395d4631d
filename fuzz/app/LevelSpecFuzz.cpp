// Reads any bytes as a command line's level: a level read is one the setters accept, its
// level line and engine budget are sound for any move and used time, and a refused text
// says what was expected. The same bytes are read as a DGT clock text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/ClockDisplay.h"
#include "app/LevelRecord.h"
#include "app/SearchLevel.h"

using namespace velmorak;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    check(dgtClockSeconds(text) >= -1);

    Result<LevelRecord> level = parseLevelSpec(text, LevelRecord {});
    if (!level) {
        check(level.error().message.find("; expected ") != std::string::npos);
        return 0;
    }
    const LevelRecord& l = *level;
    check(l.mode >= kBlitzLevel && l.mode <= kFixedLevel);
    check(l.moves1 >= 0 && l.seconds1 >= 0 && l.moves2 >= 0 && l.seconds2 >= 0 && l.moves3 >= 0 &&
        l.seconds3 >= 0 && l.blitzSeconds >= 0 && l.blitzIncrement >= 0);
    check(l.fixedPlies >= 1 && l.fixedPlies <= kMaxFixedPlies && l.fixedSeconds > 0);
    check(!levelText(l).empty());

    // A move number and a used time from the text's first bytes, extremes included.
    std::int32_t move = 0;
    std::int64_t used = 0;
    std::memcpy(&move, data, std::min(size, sizeof move));
    std::memcpy(&used, data, std::min(size, sizeof used));
    LevelCommands commands = searchLevel(l, { false, move, used, used });
    check(commands.secondsLeft >= 0 && commands.movesToGo >= 0 && commands.timeControlSeconds >= 0);
    check(remainingAt(l, move, 0).movesToGo >= 0);
    return 0;
}
