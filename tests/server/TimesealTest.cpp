#include "server/Timeseal.h"

#include <string>

#include <gtest/gtest.h>

#include "support/TimesealDecoder.h"

using namespace velmorak;

namespace {

std::string hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (char c : bytes) {
        text.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
        text.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
    }
    return text;
}

} // namespace

TEST(Timeseal, StampsLinesAsServersExpect)
{
    struct Vector {
        std::string line;
        std::int64_t tick;
        const char* bytes;
    };
    const Vector vectors[] = {
        // Worked by hand: "\x18" "1" "\x19" and nine '1' make one block; after the swaps
        // every byte is '1' except 0x19 at 9 and 0x18 at 11; byte 0 is ('1' | 0x80) ^ 'T' -
        // 32 = 0xc5, byte 11 is (0x18 | 0x80) ^ 'F' - 32 = 0xbe.
        { "", 1, "c5b8bcb4a2a5b0bca19979be800a" },
        // The stamping of a widely used public client (padding with '1', key offset 0) on
        // the same inputs.
        { "guest", 1234567, "c27cb976a1ccb079a3a57d81d8bac27871a7607f61717c77800a" },
        { "\x02"
          "9",
            9999999, "c5b0b4bcaaadb8b4a99891a4800a" },
        { "TIMESTAMP|Velmorak|Linux|", 42,
            "918071809e80809e80cdde72918e9dbbcc7dadafb9afb8aca1cabeb5a3b0bcd4b4b0717e800a" },
        // The tick is reduced to its last 10,000 seconds.
        { "e2e4", 15000000, "c4bbbdb1a3a1b1d5a0a57883d8d2c27871a7607f61717c99800a" },
        { "say hello there", 7, "9c68ada57f716d657fb9bc95d891c29171cf607961a57ca5800a" },
    };
    for (const Vector& row : vectors)
        EXPECT_EQ(hex(stampOutgoing(row.line, row.tick)), row.bytes) << hex(row.line);
}

// Every length of line, so that the padding takes each of its twelve sizes: the server reads
// back the line and the time, and a newline only ends the stamp.
TEST(Timeseal, StampsReadBackForEveryPaddingLength)
{
    for (std::size_t length = 0; length < 40; ++length) {
        const std::string text(length, static_cast<char>('a' + length % 26));
        for (std::int64_t tick : { 0LL, 7LL, 9'999'999LL }) {
            const std::string stamped = stampOutgoing(text, tick);
            ASSERT_GE(stamped.size(), text.size() + 5);
            ASSERT_LE(stamped.size(), text.size() + 22);
            ASSERT_EQ(stamped.find('\n'), stamped.size() - 1);
            const auto decoded =
                test::decodeTimeseal(std::string_view(stamped).substr(0, stamped.size() - 1));
            ASSERT_TRUE(decoded) << length;
            EXPECT_EQ(decoded->text, text);
            EXPECT_EQ(decoded->time, timesealTime(tick));
        }
    }
    EXPECT_FALSE(test::decodeTimeseal("plain text\x80"));
    // The stamp carries the last 10,000 seconds of a 64-bit clock.
    EXPECT_EQ(timesealTime(123'456'789'012), 6'789'012u);
    EXPECT_EQ(timesealTime(INT64_MAX), static_cast<std::uint32_t>(INT64_MAX % 10'000'000));
    EXPECT_EQ(timesealTime(-5), 0u);
}
