// Whatever a plug-in or a UCI engine sends: report entries fed into the engine output, and
// engine lines through the UCI readers. Texts are cut, never overflow; the shadow board comes
// back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/EngineOutput.h"
#include "engine/UciProcess.h"
#include "engine/UciProtocol.h"
#include "rules/Board.h"

using namespace velmorak;

namespace {

// Time stands still unless the input moves it.
struct FixedClock final : Clock {
    std::int64_t tick = 0;
    std::int64_t ticks() const override { return tick; }
    void startTimer(TimerId, int, bool, Callback) override { }
    void killTimer(TimerId) override { }
    void sleep(int ms) override { tick += ms; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    FixedClock clock;
    EngineOutput output(clock);
    static const char* const kShadows[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/1P6/8/3pP3/8/8/6p1/R3K2R w KQkq d6 0 30",
        "8/8/8/8/8/8/8/8 b - - 0 1",
    };
    const char* shadow = kShadows[data[0] % 3];
    output.setShadowPosition(shadow);
    std::string fen = output.snapshot().shadowBoard.fen();
    clock.tick = data[1];

    // Split the rest at zero bytes; the first byte of each piece picks what it is sent as.
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    UciLineBuffer lines;
    while (!rest.empty()) {
        std::size_t end = rest.find('\0');
        std::string piece(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (piece.empty())
            continue;
        int kind = static_cast<unsigned char>(piece[0]) % 5;
        std::string text = piece.substr(1);
        int number = text.empty() ? 0 : static_cast<signed char>(text[0]) * 1000;
        switch (kind) {
        case 0:
            output.reportLine(text.c_str(), number);
            break;
        case 1:
            output.reportCurrentMove(text.c_str(), number, -number);
            break;
        case 2:
            output.reportNodes(std::uint32_t(number), ~std::uint32_t(number));
            output.reportDepth(number, -number);
            clock.tick += number;
            break;
        case 3:
            parseUciInfo(text);
            parseUciBestMove(text);
            break;
        default:
            lines.feed(text);
            while (auto line = lines.takeLine())
                parseUciInfo(*line);
            break;
        }
    }
    SearchInfo info = output.snapshot();
    if (info.rawLine.size() > SearchInfo::kMaxLineLength ||
        info.sanLine.size() > SearchInfo::kMaxLineLength ||
        info.rawCurrentMove.size() > SearchInfo::kMaxMoveLength ||
        info.sanCurrentMove.size() > SearchInfo::kMaxMoveLength)
        __builtin_trap();
    if (info.shadowBoard.fen() != fen)
        __builtin_trap();
    int rate = output.nodesPerSecond();
    if (rate < 1 || rate > 10000000)
        __builtin_trap();
    scoreText(info.score, info.scoreSide, true);
    Board current(shadow);
    output.expectedReply(current);
    return 0;
}
