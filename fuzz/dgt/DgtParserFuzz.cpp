// Whatever the line brings, the receive ring and the message parser keep only pieces the
// board can have, the clock texts keep their seven characters a side, and the recognizer's
// board is always the received one, turned or not.
#include <cstdint>
#include <cstdlib>

#include "dgt/DgtBoardRecognizer.h"
#include "dgt/DgtClockText.h"
#include "dgt/DgtMessageParser.h"
#include "dgt/DgtReceiveRing.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DgtReceiveRing ring;
    DgtMessageParser parser;
    DgtBoardRecognizer recognizer;
    DgtClockText clock;
    for (std::size_t i = 0; i < size; ++i) {
        if (!ring.push(data[i]))
            ring.clear();
        // Read in bursts, as polls do, so that bytes wait in the ring across its wrap.
        if (i % 97 != 96 && i + 1 != size)
            continue;
        while (std::optional<std::uint8_t> byte = ring.pop()) {
            switch (parser.feed(*byte)) {
            case DgtMessageParser::Result::BoardChanged: {
                for (std::uint8_t piece : parser.image()) {
                    if (piece > kDgtLastPiece)
                        std::abort();
                }
                recognizer.boardChanged(parser.image());
                const DgtBoardImage& received = parser.image();
                if (recognizer.board() !=
                    (recognizer.rotated() ? dgtTurnedImage(received) : received))
                    std::abort();
                break;
            }
            case DgtMessageParser::Result::ClockChanged:
                clock.update(parser.clockBytes(), recognizer.rotated());
                if (clock.whiteText().size() != 7 || clock.blackText().size() != 7)
                    std::abort();
                break;
            default:
                break;
            }
        }
    }
    return 0;
}
