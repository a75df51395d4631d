// Whatever the line, matching it against every template of both dialects ends, and a match
// hands back one non-empty capture per `%` code, each a piece of the line. An input holding
// a zero byte is read as a template of its own followed by the line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "server/ServerDialect.h"
#include "server/ServerGameResult.h"
#include "server/ServerPattern.h"

using namespace velmorak;

namespace {

void check(std::string_view line, std::string_view pattern, PatternCaptures& captures)
{
    if (!matchPattern(line, pattern, captures)) {
        if (!captures.empty())
            std::abort();
        return;
    }
    std::size_t at = 0;
    for (const std::string& capture : captures) {
        std::size_t found = line.find(capture, at);
        if (capture.empty() || found == std::string_view::npos)
            std::abort();
        at = found + capture.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto dialects = makeServerDialects();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    PatternCaptures captures;
    std::size_t zero = input.find('\0');
    if (zero != std::string_view::npos) {
        check(input.substr(zero + 1), input.substr(0, zero), captures);
        return 0;
    }
    for (const ServerDialect& dialect : dialects) {
        for (auto member : kServerDialectTemplates)
            check(input, dialect.*member, captures);
        auto result = parseGameResult(input, dialect);
        if (result && result->result.empty())
            std::abort();
    }
    return 0;
}
