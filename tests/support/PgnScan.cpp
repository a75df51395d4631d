#include "PgnScan.h"

#include "record/CPgnParser.h"

std::vector<std::int64_t> scanGameEnds(velmorak::PgnInput& input)
{
    velmorak::CPgnParser scanner;
    velmorak::IndexTags tags;
    std::vector<std::int64_t> ends;
    std::int64_t start = 0;
    std::int64_t end = 0;
    while (scanner.scanIndexTags(input, start, end, tags) && end > start) {
        ends.push_back(end);
        start = end;
    }
    return ends;
}

std::vector<std::int64_t> scanGameEnds(std::string_view text)
{
    velmorak::PgnInput input;
    input.openText(text);
    return scanGameEnds(input);
}
