#include "dgt/DgtMessageParser.h"

#include <gtest/gtest.h>

#include "dgt/DgtBoardRecognizer.h"
#include "dgt/DgtReceiveRing.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak {
namespace {

using test::SimulatedDgtBoard;
using Result = DgtMessageParser::Result;

std::vector<Result> feedAll(DgtMessageParser& parser, std::string_view bytes)
{
    std::vector<Result> results;
    for (char byte : bytes) {
        Result result = parser.feed(static_cast<std::uint8_t>(byte));
        if (result != Result::Nothing)
            results.push_back(result);
    }
    return results;
}

std::string bytesOf(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST(DgtReceiveRing, KeepsOrderAcrossTheWrapAndStopsAtItsFillLimitUntilCleared)
{
    DgtReceiveRing ring;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 5000; ++i)
            ASSERT_TRUE(ring.push(static_cast<std::uint8_t>(i)));
        for (int i = 0; i < 5000; ++i)
            ASSERT_EQ(ring.pop(), static_cast<std::uint8_t>(i));
    }
    for (std::size_t i = 0; i < DgtReceiveRing::kFillLimit; ++i)
        ASSERT_TRUE(ring.push(1));
    EXPECT_FALSE(ring.push(1));
    EXPECT_TRUE(ring.overflowed());
    EXPECT_EQ(ring.pop(), std::nullopt);
    ring.clear();
    EXPECT_TRUE(ring.push(7));
    EXPECT_EQ(ring.pop(), 7);
}

TEST(DgtMessageParser, SkipsEveryMessageNotWholeOrNotOfItsIdsLength)
{
    const struct {
        const char* name;
        std::string bytes;
    } rows[] = {
        { "dump one byte short", SimulatedDgtBoard::message(6, std::string(63, '\0')) },
        { "dump one byte long", SimulatedDgtBoard::message(6, std::string(65, '\0')) },
        { "field update of three bytes", SimulatedDgtBoard::message(14, bytesOf({ 52, 0, 0 })) },
        { "field update for square 64", SimulatedDgtBoard::fieldUpdate(64, 0) },
        { "field update with piece 13", SimulatedDgtBoard::fieldUpdate(52, 13) },
        { "clock of six bytes", SimulatedDgtBoard::message(13, std::string(6, '\0')) },
        { "version of three bytes", SimulatedDgtBoard::message(19, bytesOf({ 1, 2, 3 })) },
        { "serial number of four bytes", SimulatedDgtBoard::message(17, "1234") },
        { "bus address of one byte", SimulatedDgtBoard::message(16, bytesOf({ 5 })) },
        { "unknown id", SimulatedDgtBoard::message(7, bytesOf({ 52, 0 })) },
        { "trademark over the limit", SimulatedDgtBoard::message(18, std::string(1025, 'x')) },
        { "length below the header", bytesOf({ 0x8E, 0, 2, 52, 0 }) },
        { "length high byte out of range", bytesOf({ 0x8E, 63, 5, 52, 0 }) },
        { "update cut by the next message", bytesOf({ 0x8E, 0, 5, 52 }) + bytesOf({ 0x93 }) },
        { "bytes outside any message", bytesOf({ 52, 0, 1, 2, 3 }) },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DgtMessageParser parser;
        feedAll(parser, SimulatedDgtBoard::boardDump(dgtStartImage()));
        EXPECT_TRUE(feedAll(parser, row.bytes).empty());
        EXPECT_EQ(parser.image(), dgtStartImage());
        EXPECT_EQ(parser.versionMajor(), -1);
        EXPECT_EQ(parser.serialNumber(), "");
        EXPECT_EQ(parser.trademark(), "");
        EXPECT_EQ(parser.busAddress(), -1);
        // The next whole message is read as usual.
        EXPECT_EQ(feedAll(parser, SimulatedDgtBoard::fieldUpdate(52, 0)),
            std::vector { Result::BoardChanged });
        EXPECT_EQ(parser.image()[52], 0);
    }
}

TEST(DgtMessageParser, KnowsTheBoardOnlyFromAWholeDumpAndIgnoresUnknownPieces)
{
    DgtMessageParser parser;
    EXPECT_TRUE(feedAll(parser, SimulatedDgtBoard::fieldUpdate(52, 1)).empty());
    EXPECT_FALSE(parser.boardValid());

    DgtBoardImage empty {};
    EXPECT_EQ(
        feedAll(parser, SimulatedDgtBoard::boardDump(empty)), std::vector { Result::BoardChanged });
    EXPECT_TRUE(parser.boardValid());
    EXPECT_TRUE(feedAll(parser, SimulatedDgtBoard::boardDump(empty)).empty());

    DgtBoardImage garbled = dgtStartImage();
    garbled[0] = 13;
    garbled[1] = 127;
    feedAll(parser, SimulatedDgtBoard::boardDump(garbled));
    EXPECT_EQ(parser.image()[0], 0);
    EXPECT_EQ(parser.image()[1], 0);
    EXPECT_EQ(parser.image()[2], dgtStartImage()[2]);
}

TEST(DgtClockText, WritesSevenCharactersPerSideAndDropsGarbledDigits)
{
    const struct {
        const char* name;
        DgtClockBytes bytes;
        bool readable;
        const char* text;
        int status;
    } rows[] = {
        { "both running", { 0x11, 0x59, 0x07, 0x00, 0x30, 0x45, 0x00 }, true, "1:59:07 0:30:45",
            1 },
        { "flags of the right side", { 0x00, 0x00, 0x00, 0x12, 0x00, 0x00, 0x0A }, true,
            "0:00:00 2:00:00", 8 + 0x0A00 },
        { "no clock", { 0x0F, 0x7F, 0x7F, 0x0F, 0x7F, 0x7F, 0x20 }, true, "-:--:-- -:--:--", 8192 },
        { "hours above 9", { 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }, false, "2:00:00 0:00:00",
            0 },
        { "minutes tens above 5", { 0x00, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00 }, false,
            "0:00:00 0:00:00", 0 },
        { "seconds units above 9", { 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00 }, false,
            "0:00:00 0:00:00", 0 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dgtClockBytesReadable(row.bytes), row.readable);
        EXPECT_EQ(dgtClockText(row.bytes), row.text);
        EXPECT_EQ(dgtClockStatus(row.bytes), row.status);
    }

    // A garbled clock message is dropped whole: the last good reading stays.
    DgtMessageParser parser;
    std::string good(reinterpret_cast<const char*>(rows[0].bytes.data()), 7);
    std::string bad(reinterpret_cast<const char*>(rows[4].bytes.data()), 7);
    EXPECT_EQ(feedAll(parser, SimulatedDgtBoard::message(13, good)),
        std::vector { Result::ClockChanged });
    EXPECT_TRUE(feedAll(parser, SimulatedDgtBoard::message(13, bad)).empty());
    EXPECT_EQ(parser.clockBytes(), rows[0].bytes);
}

TEST(DgtClockText, RaisesTimeChangesAndStopsForTheSideTheBoardStandsFor)
{
    using Code = DgtEventCode;
    const struct {
        const char* name;
        DgtClockBytes before;
        DgtClockBytes after;
        bool rotated;
        std::vector<Code> codes;
    } rows[] = {
        { "right side's time", { 0, 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 1, 0 }, false,
            { Code::BlackClockTimeChanged } },
        { "left side's time, turned board", { 0, 0, 0, 0, 0, 0, 0 }, { 0, 0, 1, 0, 0, 0, 0 }, true,
            { Code::BlackClockTimeChanged } },
        { "0x800 falls", { 0, 0, 0, 0, 0, 0, 0x08 }, { 0, 0, 0, 0, 0, 0, 0 }, false,
            { Code::BlackStoppedClock } },
        { "0x1000 falls", { 0, 0, 0, 0, 0, 0, 0x10 }, { 0, 0, 0, 0, 0, 0, 0 }, false,
            { Code::WhiteStoppedClock } },
        { "0x1000 falls, turned", { 0, 0, 0, 0, 0, 0, 0x10 }, { 0, 0, 0, 0, 0, 0, 0 }, true,
            { Code::BlackStoppedClock } },
        { "turn bit rises while running", { 0x10, 0, 0, 0, 0, 0, 0 }, { 0x10, 0, 0, 0, 0, 0, 0x02 },
            false, { Code::BlackStoppedClock } },
        { "turn bit falls while running", { 0, 0, 0, 0x10, 0, 0, 0x02 }, { 0, 0, 0, 0x10, 0, 0, 0 },
            false, { Code::WhiteStoppedClock } },
        { "turn bit rises, nothing running", { 0, 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0, 0x02 },
            false, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DgtClockText clock;
        clock.update(row.before, row.rotated);
        EXPECT_EQ(clock.update(row.after, row.rotated), row.codes);
    }
}

} // namespace
} // namespace velmorak
