// Reads any bytes as a PGN file game by game: the reader never crashes, and every game it
// accepts is written in the file layout and must read back as the same tags and tree, and
// be written again as the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PgnFuzzSupport.h"
#include "record/CPgnParser.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PgnInput input;
    input.openText(std::string_view(reinterpret_cast<const char*>(data), size));
    CPgnParser parser;
    CPgnParser reader;
    IndexTags tags;
    std::int64_t start = 0;
    for (int games = 0; games < 64; ++games) {
        std::int64_t end = 0;
        if (!parser.scanIndexTags(input, start, end, tags) || end <= start)
            break;
        std::unique_ptr<CPgnGame> game;
        std::int64_t readEnd = 0;
        if (reader.readGame(input, start, readEnd, game)) {
            if (readEnd < start || readEnd > std::int64_t(size))
                std::abort();
            game->setFormat(kFilePgnFormat);
            const std::string text = game->toString();
            PgnInput written;
            written.openText(text);
            std::unique_ptr<CPgnGame> again;
            std::int64_t againEnd = 0;
            if (!reader.readGame(written, 0, againEnd, again))
                std::abort();
            if (again->tags() != game->tags() || fuzz::describe(*again) != fuzz::describe(*game))
                std::abort();
            again->setFormat(kFilePgnFormat);
            if (again->toString() != text)
                std::abort();
        }
        start = end;
    }
    return 0;
}
