// Reads any bytes as the end of a database file and appends a game after the text that
// closes it: the text does not depend on how the bytes were cut into pieces, and after the
// appended game the file ends at a game's end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "record/CDatabaseTail.h"

using namespace velmorak;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr const char* kAppended = "[White \"Appended\"]\r\n\r\n1. e4 e5 *\r\n\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CDatabaseTail whole;
    whole.feed(text);
    CDatabaseTail pieces;
    for (std::size_t at = 0, step = 1; at < size; at += step, step = step * 3 % 17 + 1)
        pieces.feed(std::string_view(text).substr(at, step));
    Result<std::string> closing = whole.closingText();
    Result<std::string> closingPieces = pieces.closingText();
    check(closing.ok() == closingPieces.ok());
    if (!closing)
        return 0;
    check(*closing == *closingPieces);

    const std::string file = text + *closing + kAppended;
    CDatabaseTail after;
    after.feed(file);
    check(after.closingText().ok() && after.closingText().value().empty());
    return 0;
}
