// Scans any bytes as a PGN file: scanGame and the index scan agree on every game's tags and
// end, the ends move forward, every game boundary is a "[" or the end of the input, and
// the scan with its shortcuts finds what the byte-by-byte scan finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "record/CPgnParser.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PgnInput memory;
    memory.openText(text);
    CPgnParser parser;
    CPgnParser plain;
    plain.setShortcuts(false);
    IndexTags tags;
    IndexTags plainTags;
    std::int64_t start = 0;
    for (int games = 0; games < 256; ++games) {
        std::int64_t end = 0;
        std::int64_t plainEnd = 0;
        const bool scanned = parser.scanIndexTags(memory, start, end, tags);
        if (plain.scanIndexTags(memory, start, plainEnd, plainTags) != scanned)
            std::abort();
        if (!scanned)
            break;
        if (end < start || end > std::int64_t(size))
            std::abort();
        if (end < std::int64_t(size) && text[std::size_t(end)] != '[')
            std::abort();
        if (plainEnd != end || plainTags.white != tags.white || plainTags.black != tags.black ||
            plainTags.date != tags.date || plainTags.event != tags.event ||
            plainTags.eco != tags.eco || plainTags.site != tags.site ||
            plainTags.result != tags.result)
            std::abort();
        std::unique_ptr<CPgnGame> game;
        std::int64_t gameEnd = 0;
        if (!parser.scanGame(memory, start, gameEnd, game) || gameEnd != end)
            std::abort();
        if (game->white() != tags.white || game->black() != tags.black ||
            game->event() != tags.event || game->result() != tags.result ||
            game->eco() != tags.eco || game->date() != tags.date || game->site() != tags.site)
            std::abort();
        if (game->root()->childCount() != 0)
            std::abort();
        if (end == start)
            break;
        start = end;
    }
    return 0;
}
