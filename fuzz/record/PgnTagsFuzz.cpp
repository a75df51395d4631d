// Reads any bytes as a tag section (the input is put behind a "[" so the tag reader is
// always entered): the tags read are written and must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "record/CPgnParser.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text = "[";
    text.append(reinterpret_cast<const char*>(data), size);
    PgnInput input;
    input.openText(text);
    CPgnParser parser;
    std::unique_ptr<CPgnGame> game;
    std::int64_t end = 0;
    if (!parser.scanGame(input, 0, end, game))
        return 0;
    // Only the header is compared: the movetext of this input is arbitrary.
    CPgnGame header;
    for (const TagPair& tag : game->tags())
        header.setTag(tag.name, tag.value);
    std::string written = header.toString();
    PgnInput again;
    again.openText(written);
    std::unique_ptr<CPgnGame> reread;
    if (!parser.scanGame(again, 0, end, reread) || reread->tags() != game->tags())
        std::abort();
    return 0;
}
